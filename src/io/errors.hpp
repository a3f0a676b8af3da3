#pragma once
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace coswitch {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFiles = 1;  // a result file cannot be created, written or closed
inline constexpr int kExitInput = 2;  // a bad answer, option or input file
// A check inside the program failed: a fault of the program, never of the input.
inline constexpr int kExitInternal = 3;

// A failure that ends the run: the message goes to standard error.
struct RunError : std::runtime_error {
    RunError(int status, const std::string& message) : std::runtime_error(message), status(status) {}
    int status;
};

// A check inside the program failed and says so in its own words: lines
// for standard output, then what() alone (no program name) on standard error.
struct InternalStop : RunError {
    InternalStop(std::string diagnostics, const std::string& stop_text, int status = kExitInternal)
        : RunError(status, stop_text), diagnostics(std::move(diagnostics)) {}
    std::string diagnostics;  // whole lines, each ending in a line feed
};

// f(); memory running out in it becomes a RunError(kExitFiles, ...) that
// names the step, e.g. "out of memory while sizing the work arrays".
template <class F>
auto naming_out_of_memory(const std::string& step, F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        throw RunError(kExitFiles, "out of memory while " + step);
    }
}

}  // namespace coswitch
