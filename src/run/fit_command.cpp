#include "run/errors.hpp"
#include "run/subcommands.hpp"

namespace coswitch {
int fit_main(const std::vector<std::string>&) {
    throw RunError(kExitInput, "fit: not available yet");
}
}  // namespace coswitch
