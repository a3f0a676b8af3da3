#pragma once
// The three standard descriptors, made safe before anything else is opened.
namespace coswitch {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file this process opens later takes their place (progress lines or
// prompts would otherwise land in a result file). False when one is closed
// and /dev/null cannot be opened.
bool open_closed_standard_descriptors();

}  // namespace coswitch
