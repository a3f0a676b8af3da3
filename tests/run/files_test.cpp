#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run/errors.hpp"
#include "run/result_files.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) v.push_back(line);
    return v;
}

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

std::string drain(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
    return s;
}

// Runs the program in dir with a limit on the size of every file it writes.
// Standard streams are pipes, which the limit does not touch.
ProgramRun run_with_file_size_limit(const fs::path& dir, const std::string& input,
                                    rlim_t limit) {
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) ADD_FAILURE() << "pipe";
    // The answers are short enough for the pipe's buffer.
    if (::write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        ADD_FAILURE() << "write";
    ::close(in[1]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {in[0], out[0], out[1], err[0], err[1]}) ::close(fd);
        ::signal(SIGXFSZ, SIG_IGN);  // writes past the limit then fail with EFBIG
        const rlimit lim{limit, limit};
        if (::chdir(dir.c_str()) != 0 || ::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(127);
        ::execl(COSWITCH_BINARY, COSWITCH_BINARY, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    ProgramRun r;
    r.out = drain(out[0]);
    r.err = drain(err[0]);
    ::close(out[0]);
    ::close(err[0]);
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    return r;
}
}  // namespace

TEST(ResultFiles, ExistingPvalueFileStopsTheRunBeforeAnything) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 4, 2, 3, false);
    const auto first = run_program(d.path(), answers('G', 4, 2, 2, 3));
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string pvalue = read_file(d / "pvalue.txt");
    const std::string output = read_file(d / "output.txt");

    // A second run in the same place stops before reading any input.
    fs::remove(d / "realdata.txt");
    auto again = run_program(d.path(), answers('G', 4, 2, 2, 3));
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(contains(again.err, "pvalue.txt")) << again.err;
    EXPECT_EQ(read_file(d / "pvalue.txt"), pvalue);
    EXPECT_EQ(read_file(d / "output.txt"), output);

    // With pvalue.txt alone nothing is created.
    fs::remove(d / "output.txt");
    write_file(d / "pvalue.txt", "kept\n");
    again = run_program(d.path(), answers('G', 4, 2, 2, 3));
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(read_file(d / "pvalue.txt"), "kept\n");
    EXPECT_FALSE(fs::exists(d / "output.txt"));

    // The same through the writer itself.
    ResultFile f;
    try {
        f.create((d / "pvalue.txt").string(), "pvalue.txt");
        ADD_FAILURE() << "an existing file was opened";
    } catch (const RunError& e) {
        EXPECT_EQ(e.status, kExitFiles);
        EXPECT_TRUE(contains(e.what(), "pvalue.txt")) << e.what();
    }
    EXPECT_EQ(read_file(d / "pvalue.txt"), "kept\n");
}

TEST(ResultFiles, ExistingOutputFileLeavesNoNewFile) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 4, 2, 3, false);
    write_file(d / "output.txt", "old results\n");
    const auto r = run_program(d.path(), answers('G', 4, 2, 2, 3));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "output.txt")) << r.err;
    EXPECT_FALSE(contains(r.err, "pvalue.txt")) << r.err;
    EXPECT_FALSE(fs::exists(d / "pvalue.txt"));
    EXPECT_EQ(read_file(d / "output.txt"), "old results\n");
}

TEST(ResultFiles, FailedWritesAreReported) {
    // 3 genes, 5 replicates of the bootstrap: pvalue.txt comes to 89 + 3*93 =
    // 368 bytes and output.txt to 63 + 15*79 = 1248.
    struct Case {
        rlim_t limit;
        int ngene, nboot;
        const char* file;
    };
    for (const Case& c : {Case{200, 3, 5, "pvalue.txt"}, Case{600, 3, 5, "output.txt"},
                          // More than a buffer's worth: fails inside the pair loop.
                          Case{1000, 6, 60, "output.txt"}}) {
        ScratchDir d;
        write_synthetic_inputs(d.path(), 4, 2, c.ngene, false);
        const auto r = run_with_file_size_limit(d.path(), answers('G', 4, 2, c.nboot, c.ngene),
                                                c.limit);
        EXPECT_EQ(r.status, 1) << c.limit << ": " << r.err;
        EXPECT_TRUE(contains(r.err, c.file)) << c.limit << ": " << r.err;
        EXPECT_TRUE(contains(r.out, "running")) << r.out;
        EXPECT_LE(fs::file_size(d / "output.txt"), c.limit);
    }
}

TEST(ResultFiles, AnswersWithoutDataForAPair) {
    // Two or more genes need 2 time points and 1 replicate: refused before
    // any file exists.
    for (const std::string& a : {answers('G', 1, 3, 2, 2), answers('G', 4, 0, 2, 3),
                                 answers('T', -1, -1, 0, 60)}) {
        ScratchDir d;
        write_synthetic_inputs(d.path(), 4, 2, 3, false);
        const auto r = run_program(d.path(), a);
        EXPECT_EQ(r.status, 2) << a;
        EXPECT_TRUE(contains(r.err, "time points")) << r.err;
        EXPECT_FALSE(contains(r.out, "running")) << r.out;
        EXPECT_FALSE(fs::exists(d / "pvalue.txt"));
        EXPECT_FALSE(fs::exists(d / "output.txt"));
    }
    // One gene or none: zeros and negatives are fine, and the files hold
    // their headers only; with no genes the input files may be empty.
    struct Few {
        char mode;
        int ntime, nrep, nboot, ngene;
    };
    for (const Few& f : {Few{'G', 0, 0, 0, 0}, Few{'G', -5, 2, 10, -2}, Few{'T', 1, 0, -3, 1},
                         Few{'G', 3, 2, 5, 1}}) {
        ScratchDir d;
        if (f.ngene <= 0)
            for (const char* name : {"realdata.txt", "para1.txt", "para2.txt"})
                write_file(d / name, "");
        else
            write_synthetic_inputs(d.path(), f.ntime, f.nrep, f.ngene, f.mode == 'T');
        const std::string a = answers(f.mode, f.ntime, f.nrep, f.nboot, f.ngene);
        const auto r = run_program(d.path(), a);
        EXPECT_EQ(r.status, 0) << a << r.err;
        EXPECT_TRUE(contains(r.out, " The program is running, please wait...\n"));
        EXPECT_EQ(read_file(d / "pvalue.txt"), kPvalueHeader);
        EXPECT_EQ(read_file(d / "output.txt"), kOutputHeader);
    }
}

TEST(ResultFiles, BadInputLeavesHeadersOnly) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 4, 2, 3, false);
    write_file(d / "para2.txt", "5 5 5\n0.7 NA 0.7\n");
    auto r = run_program(d.path(), answers('G', 4, 2, 2, 3));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "para2.txt:2")) << r.err;
    EXPECT_TRUE(contains(r.err, "NA")) << r.err;
    EXPECT_EQ(read_file(d / "pvalue.txt"), kPvalueHeader);
    EXPECT_EQ(read_file(d / "output.txt"), kOutputHeader);

    ScratchDir e;
    r = run_program(e.path(), answers('G', 4, 2, 2, 3));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "realdata.txt")) << r.err;
    EXPECT_EQ(read_file(e / "pvalue.txt"), kPvalueHeader);
}

TEST(ResultFiles, RecordsComeInPairOrder) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 5, 2, 4, false);
    const auto r = run_program(d.path(), answers('G', 5, 2, 3, 4));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto out = lines_of(read_file(d / "output.txt"));
    const auto pv = lines_of(read_file(d / "pvalue.txt"));
    ASSERT_EQ(out.size(), 1u + 3 * 6);
    ASSERT_EQ(pv.size(), 1u + 6);
    std::size_t k = 1;
    std::size_t pair = 1;
    for (int i = 1; i <= 3; ++i)
        for (int j = i + 1; j <= 4; ++j, ++pair) {
            char ids[32];
            std::snprintf(ids, sizeof ids, "    %6d    %6d", i, j);
            EXPECT_EQ(pv[pair].substr(0, 20), ids);
            EXPECT_EQ(pv[pair].size(), 92u);
            for (int b = 1; b <= 3; ++b, ++k) {
                char idb[48];
                std::snprintf(idb, sizeof idb, "%s    %6d", ids, b);
                EXPECT_EQ(out[k].substr(0, 30), idb);
                EXPECT_EQ(out[k].size(), 78u);
            }
        }

    // Without bootstrap replicates output.txt has its header only.
    ScratchDir z;
    write_synthetic_inputs(z.path(), 5, 2, 4, false);
    ASSERT_EQ(run_program(z.path(), answers('G', 5, 2, 0, 4)).status, 0);
    EXPECT_EQ(read_file(z / "output.txt"), kOutputHeader);
    EXPECT_EQ(lines_of(read_file(z / "pvalue.txt")).size(), 7u);

    // Time mode with more time points than genes, on wider parameter files.
    ScratchDir t;
    write_synthetic_inputs(t.path(), 8, 2, 3, true);
    const auto rt = run_program(t.path(), answers('T', 8, 2, 2, 3));
    ASSERT_EQ(rt.status, 0) << rt.err;
    EXPECT_EQ(lines_of(read_file(t / "output.txt")).size(), 1u + 2 * 3);
    EXPECT_EQ(lines_of(read_file(t / "pvalue.txt")).size(), 1u + 3);
}
