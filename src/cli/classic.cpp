#include <cstdio>
#include <string>
#include <vector>

#include "cli/options.hpp"
#include "cli/progress.hpp"
#include "cli/subcommands.hpp"
#include "engine/pair_order.hpp"
#include "io/errors.hpp"
#include "io/files.hpp"
#include "run/dialogue.hpp"
#include "run/driver.hpp"

namespace coswitch {
int classic_main(const std::vector<std::string>& args) {
    const Options o = parse_options(args);
    if (o.help) {
        std::fputs(usage_text().c_str(), stdout);
        return kExitOk;
    }
    if (o.version) {
        std::fputs(version_text().c_str(), stdout);
        return kExitOk;
    }
    if (!o.directory.empty()) require_directory(o.directory);
    RunParameters p;
    if (o.answers_given()) {
        p = parameters_from_options(o);
        check_analysable(p);
    } else {
        AnswerReader answers(stdin);
        p = run_dialogue(answers, stdout);
        check_analysable(p);
        std::printf(" The program is running, please wait...\n");
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            throw RunError(kExitFiles, "cannot write to standard output");
    }
    p.null_model = o.null_model;
    RunSettings s;
    s.directory = o.directory;
    s.threads = o.threads;
    // The run sizes nothing by negative counts, and counts its pairs the same way.
    const RunParameters sized = counts_at_least_zero(p);
    Progress progress = make_progress(o.progress, pair_count(sized.NGENE), sized.NBOOT);
    s.progress = [&](long long pairs_done, long long replicates_done) {
        progress.update(pairs_done, replicates_done);
    };
    const std::string warnings = run_analysis(p, s);
    progress.finish();
    std::fputs(warnings.c_str(), stderr);
    return kExitOk;
}

}  // namespace coswitch

