#pragma once
// How a failed run ends: what it says and the exit status it returns.

namespace coswitch {

// Called inside a catch block: says what the exception being handled means
// (on standard error; an internal stop's diagnostics on standard output
// first) and returns the exit status for it.
int report_failure();

}  // namespace coswitch
