#include "run/errors.hpp"
#include "run/subcommands.hpp"

namespace coswitch {
int summary_main(const std::vector<std::string>&) {
    throw RunError(kExitInput, "summary: not available yet");
}
}  // namespace coswitch
