#include <sys/stat.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "run/dialogue.hpp"
#include "run/driver.hpp"
#include "run/errors.hpp"
#include "run/options.hpp"
#include "run/subcommands.hpp"

namespace coswitch {
namespace {
int analyse(const std::vector<std::string>& args) {
    const Options o = parse_options(args);
    if (o.help) {
        std::fputs(usage_text().c_str(), stdout);
        return kExitOk;
    }
    if (o.version) {
        std::fputs(version_text().c_str(), stdout);
        return kExitOk;
    }
    if (!o.directory.empty()) {
        struct stat st {};
        if (::stat(o.directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw RunError(kExitInput, o.directory + ": no such directory (option -C)");
    }
    RunParameters p;
    if (o.answers_given()) {
        p = parameters_from_options(o);
        check_analysable(p);
    } else {
        AnswerReader answers(stdin);
        p = run_dialogue(answers, stdout);
        check_analysable(p);
        std::printf(" The program is running, please wait...\n");
        std::fflush(stdout);
    }
    RunSettings s;
    s.directory = o.directory;
    s.threads = o.threads;
    s.progress = o.progress;
    run_analysis(p, s);
    return kExitOk;
}
}  // namespace
}  // namespace coswitch

int main(int argc, char** argv) {
    using namespace coswitch;
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = kExitOk;
    try {
        if (!args.empty() && args[0] == "fit")
            status = fit_main({args.begin() + 1, args.end()});
        else if (!args.empty() && args[0] == "summary")
            status = summary_main({args.begin() + 1, args.end()});
        else
            status = analyse(args);
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
