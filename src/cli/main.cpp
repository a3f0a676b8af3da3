#include <cstdio>
#include <string>
#include <vector>

#include "cli/failure.hpp"
#include "cli/subcommands.hpp"
#include "io/descriptors.hpp"
#include "io/errors.hpp"

int main(int argc, char** argv) {
    using namespace coswitch;
    // Before anything is opened: a closed standard descriptor would be taken
    // by the first file opened, and prompts or progress would go into it.
    if (!open_closed_standard_descriptors()) return kExitFiles;
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = kExitOk;
    try {
        if (!args.empty() && args[0] == "fit")
            status = fit_main({args.begin() + 1, args.end()});
        else if (!args.empty() && args[0] == "summary")
            status = summary_main({args.begin() + 1, args.end()});
        else if (!args.empty() && args[0] == "scan")
            status = scan_main({args.begin() + 1, args.end()});
        else if (!args.empty() && args[0] == "plot")
            status = plot_main({args.begin() + 1, args.end()});
        else if (!args.empty() && args[0] == "simulate")
            status = simulate_main({args.begin() + 1, args.end()});
        else
            status = classic_main(args);
    } catch (...) {
        return report_failure();
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "coswitch: cannot write to standard output\n");
        return kExitFiles;
    }
    return status;
}
