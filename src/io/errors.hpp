#pragma once
#include <new>
#include <stdexcept>
#include <string>

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
