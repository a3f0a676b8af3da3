#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/subcommands.hpp"
#include "io/errors.hpp"

int main(int argc, char** argv) {
    using namespace coswitch;
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = kExitOk;
    try {
        if (!args.empty() && args[0] == "fit")
            status = fit_main({args.begin() + 1, args.end()});
        else if (!args.empty() && args[0] == "summary")
            status = summary_main({args.begin() + 1, args.end()});
        else if (!args.empty() && args[0] == "scan")
            status = scan_main({args.begin() + 1, args.end()});
        else
            status = classic_main(args);
    } catch (const RunError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "coswitch: %s\n", e.what());
        return e.status;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "coswitch: %s\n", e.what());
        return kExitFiles;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "coswitch: cannot write to standard output\n");
        return kExitFiles;
    }
    return status;
}
