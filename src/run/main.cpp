#include <cstdio>
#include <exception>

#include "run/dialogue.hpp"
#include "run/driver.hpp"
#include "run/errors.hpp"

int main(int argc, char** argv) {
    using namespace coswitch;
    try {
        if (argc > 1)
            throw RunError(kExitInput, std::string("unexpected argument \"") + argv[1] +
                                           "\": the program takes its settings from the dialogue");
        AnswerReader answers(stdin);
        const RunParameters p = run_dialogue(answers, stdout);
        check_analysable(p);
        std::printf(" The program is running, please wait...\n");
        std::fflush(stdout);
        run_analysis(p, RunSettings{});
    } catch (const RunError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "coswitch: %s\n", e.what());
        return e.status;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "coswitch: %s\n", e.what());
        return kExitFiles;
    }
    std::fflush(stdout);
    return std::ferror(stdout) ? kExitFiles : kExitOk;
}
