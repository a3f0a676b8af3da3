#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "run/result_files.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
const std::string kAnswers = answers('G', 4, 2, 2, 3);

bool contains(const std::string& s, const std::string& part) { return s.find(part) != s.npos; }

// Runs the program with every file it writes (its captured output too) limited to `limit`
// bytes; with SIGXFSZ ignored, writes past the limit fail with EFBIG.
ProgramRun run_with_file_size_limit(const fs::path& dir, const std::string& input, rlim_t limit,
                                    const std::vector<std::string>& args = {}) {
    return run_program(dir, input, args, {[limit] { limit_file_size(limit); }});
}
}  // namespace

TEST(ResultFiles, ExistingFilesAndFailedWrites) {
    // No input files: the run must stop on pvalue.txt before reading any.
    ScratchDir d;
    write_file(d / "pvalue.txt", "kept\n");
    auto r = run_program(d.path(), kAnswers);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "pvalue.txt")) << r.err;
    EXPECT_EQ(read_file(d / "pvalue.txt"), "kept\n");
    EXPECT_FALSE(fs::exists(d / "output.txt"));

    ScratchDir e;
    write_synthetic_inputs(e.path(), 4, 2, 3, false);
    write_file(e / "output.txt", "old results\n");
    r = run_program(e.path(), kAnswers);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "output.txt")) << r.err;
    EXPECT_FALSE(fs::exists(e / "pvalue.txt")) << "the new pvalue.txt is removed again";
    EXPECT_EQ(read_file(e / "output.txt"), "old results\n");

    // A failed write stops the run, naming the file. With 3 genes pvalue.txt takes 89 + 3*93 = 368
    // bytes, output.txt 63 + 3*5*79 = 1248, standard output about 250; the last case fails a
    // buffer's worth into the pair loop.
    using Case = std::tuple<rlim_t, int, int, std::string>;  // limit, genes, bootstrap, failing file
    for (const auto& [limit, ngene, nboot, file] :
         {Case{300, 3, 0, "pvalue.txt"}, Case{600, 3, 5, "output.txt"}, Case{1000, 6, 60, "output.txt"}}) {
        ScratchDir full;
        write_synthetic_inputs(full.path(), 4, 2, ngene, false);
        r = run_with_file_size_limit(full.path(), answers('G', 4, 2, nboot, ngene), limit);
        EXPECT_EQ(r.status, 1) << limit << ": " << r.err;
        EXPECT_TRUE(contains(r.err, file)) << limit << ": " << r.err;
    }
}

TEST(ResultFiles, WhatTheFilesHoldWhenThereIsNoPairToTest) {
    // Two or more genes need 2 time points and 1 replicate: refused before any file exists.
    for (const std::string& a : {answers('G', 1, 3, 2, 2), answers('T', 4, 0, 2, 3)}) {
        ScratchDir d;
        write_synthetic_inputs(d.path(), 4, 2, 3, false);
        const auto r = run_program(d.path(), a);
        EXPECT_EQ(r.status, 2) << a;
        EXPECT_TRUE(contains(r.err, "time points")) << r.err;
        EXPECT_FALSE(contains(r.out, "running")) << r.out;
        EXPECT_FALSE(fs::exists(d / "pvalue.txt") || fs::exists(d / "output.txt"));
    }
    // One gene or none: any counts are accepted and the files hold their headers only.
    for (const auto& [mode, ntime, nrep, nboot, ngene] : {std::tuple{'G', 0, 0, 0, 0}, {'T', 1, 0, -3, 1}}) {
        ScratchDir d;
        for (const char* name : {"realdata.txt", "para1.txt", "para2.txt"}) write_file(d / name, "");
        if (ngene > 0) write_synthetic_inputs(d.path(), ntime, nrep, ngene, mode == 'T');
        const auto r = run_program(d.path(), answers(mode, ntime, nrep, nboot, ngene));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_file(d / "pvalue.txt"), kPvalueHeader);
        EXPECT_EQ(read_file(d / "output.txt"), kOutputHeader);
    }
}


TEST(ResultFiles, FitAndSummaryLeaveNothingAfterAFullDisk) {
    // Twenty genes make para files of a few hundred bytes; 150 bytes of disk are not enough.
    ScratchDir d;
    write_synthetic_inputs(d.path(), 6, 2, 20, false);
    for (const char* name : {"para1.txt", "para2.txt"}) fs::remove(d / name);
    const std::vector<std::string> fit = {"fit", "--mode", "G", "--time-points", "6", "--replicates", "2",
                                          "--genes", "20"};
    auto r = run_with_file_size_limit(d.path(), "", 150, fit);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(contains(r.err, "para1.txt: write failed")) << r.err;
    EXPECT_EQ(listing(d.path()), "realdata.txt ") << "nothing new, no temporary";
    r = run_program(d.path(), "", fit);
    EXPECT_EQ(r.status, 0) << "the rerun finds nothing in its way: " << r.err;

    // The analysis, then a summary whose table does not fit.
    ASSERT_EQ(run_program(d.path(), answers('G', 6, 2, 1, 20)).status, 0);
    r = run_with_file_size_limit(d.path(), "", 2000, {"summary", "--top", "0", "--tsv", "a.tsv", "--svg", "a.svg"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(contains(r.err, "a.tsv: write failed")) << r.err;
    EXPECT_EQ(listing(d.path()), "output.txt para1.txt para2.txt pvalue.txt realdata.txt ");
    r = run_program(d.path(), "", {"summary", "--top", "0", "--tsv", "a.tsv", "--svg", "a.svg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.size() - 26), " wrote a.tsv\n wrote a.svg\n");
}

TEST(ResultFiles, HeadersAreOnDiskWhileTheRunGoesOn) {
    // Watched from outside while the pair loop runs: both headers must be there long before
    // the end (a run that is killed, or cannot start its threads, keeps at least them).
    ScratchDir d;
    write_synthetic_inputs(d.path(), 12, 3, 14, false);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(d.path().c_str()) != 0) ::_exit(127);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0), ::dup2(null, 1), ::dup2(null, 2);
        exec_program({"--mode", "G", "--time-points", "12", "--replicates", "3", "--bootstrap", "100",
                      "--genes", "14", "--threads", "1"});
    }
    bool seen_while_running = false;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (read_file(d / "pvalue.txt") == kPvalueHeader &&
            read_file(d / "output.txt").rfind(kOutputHeader, 0) == 0) {
            seen_while_running = true;
            ::kill(pid, SIGKILL);
        }
        ::usleep(500);
    }
    EXPECT_TRUE(seen_while_running);
    EXPECT_TRUE(read_file(d / "pvalue.txt") == kPvalueHeader) << "what a killed run leaves";
}
