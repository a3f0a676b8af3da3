#pragma once
#include <stdexcept>
#include <string>

namespace coswitch {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFiles = 1;  // a result file cannot be created, written or closed
inline constexpr int kExitInput = 2;  // a bad answer, option or input file

// A failure that ends the run: the message goes to standard error.
struct RunError : std::runtime_error {
    RunError(int status, const std::string& message) : std::runtime_error(message), status(status) {}
    int status;
};

}  // namespace coswitch
