#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

std::string find_mpirun() {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t pos = 0;
    while (pos <= dirs.size()) {
        const std::size_t end = dirs.find(':', pos);
        const fs::path candidate = fs::path(dirs.substr(pos, end - pos)) / "mpirun";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return "";
}

// mpirun -np ranks coswitch scan args..., in dir; returns the exit status
// and standard error. rank_env: NAME=VALUE set for the ranks, not mpirun.
ProgramRun mpirun_scan(const std::string& mpirun, const fs::path& dir, int ranks,
                       const std::vector<std::string>& args, const std::string& rank_env = "") {
    ScratchDir io;
    const fs::path err_path = io / "stderr";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (null < 0 || err < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(err, 2);
        // Test machines often run as root, which mpirun refuses unless told.
        ::setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
        ::setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
        // Open MPI keeps some memory to the end on purpose; under the leak
        // checker that would read as the program's leak.
        ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        std::vector<std::string> words = {mpirun, "--oversubscribe", "-np", std::to_string(ranks)};
        if (!rank_env.empty()) words.insert(words.end(), {"-x", rank_env});
        words.insert(words.end(), {COSWITCH_BINARY, "scan"});
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        ::execv(mpirun.c_str(), argv.data());
        ::_exit(127);
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    ProgramRun r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    r.err = read_file(err_path);
    return r;
}

class ScanMpi : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef COSWITCH_WITH_MPI
        GTEST_SKIP() << "built without MPI: scan runs as one process only";
#endif
        mpirun_ = find_mpirun();
        if (mpirun_.empty()) GTEST_SKIP() << "mpirun is not installed (scripts/install-deps.sh installs it)";
    }
    std::string mpirun_;
};

TEST_F(ScanMpi, SameFolderOnAnyNumberOfRanks) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(9, 6, 2, 4));
    write_file(d / "three.tsv", switching_table(3, 6, 1, 6));
    const std::vector<std::string> common = {"--replicates", "2", "--bootstrap", "6", "--nulls",
                                             "--threads", "1", "--quiet"};
    std::vector<std::string> plain = {"scan", "table.tsv", "-o", "plain"};
    plain.insert(plain.end(), common.begin(), common.end());
    ASSERT_EQ(run_program(d.path(), "", plain).status, 0);
    const auto want = folder_files(d / "plain");
    for (int ranks : {1, 2, 3}) {
        const std::string out = "np" + std::to_string(ranks);
        auto args = common;
        args.insert(args.begin(), {"table.tsv", "-o", out});
        const auto r = mpirun_scan(mpirun_, d.path(), ranks, args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(folder_files(d / out) == want) << ranks << " ranks";
        EXPECT_NE(read_file(d / out / "run.tsv").find("ranks\t" + std::to_string(ranks) + "\n"),
                  std::string::npos);
    }
    // More ranks than pairs: some ranks get none.
    ASSERT_EQ(run_program(d.path(), "", {"scan", "three.tsv", "-o", "plain3", "--bootstrap", "4",
                                         "--nulls", "--quiet"})
                  .status,
              0);
    const auto r = mpirun_scan(mpirun_, d.path(), 5,
                               {"three.tsv", "-o", "np5", "--bootstrap", "4", "--nulls", "--threads",
                                "1", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(folder_files(d / "np5") == folder_files(d / "plain3"));
}

// Rows formatted in blocks on several threads, of pairs analysed on two
// ranks: the bytes of one process on one thread.
TEST_F(ScanMpi, PairsTsvOfEveryPairIsTheSameOnTwoRanks) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(100, 6, 1, 3));
    const std::vector<std::string> common = {"--bootstrap", "2", "--pairs", "all", "--quiet"};
    std::vector<std::string> plain = {"scan", "table.tsv", "-o", "plain", "--threads", "1"};
    plain.insert(plain.end(), common.begin(), common.end());
    ASSERT_EQ(run_program(d.path(), "", plain).status, 0);
    const std::string want = read_file(d / "plain" / "pairs.tsv");
    ASSERT_GT(want.size(), 4950u * 50);
    for (const char* threads : {"1", "2"}) {
        const std::string out = std::string("np2t") + threads;
        auto args = common;
        args.insert(args.begin(), {"table.tsv", "-o", out, "--threads", threads});
        const auto r = mpirun_scan(mpirun_, d.path(), 2, args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(read_file(d / out / "pairs.tsv") == want) << threads << " threads a rank";
    }
}

TEST_F(ScanMpi, AnInputErrorEndsEveryRankBeforeAnyPair) {
    ScratchDir d;
    write_file(d / "bad.tsv", "id\ta\tb\tc\ng1\t1\t2\t3\ng2\t1\tseven\t3\ng3\t3\t2\t1\n");
    const auto r = mpirun_scan(mpirun_, d.path(), 3, {"bad.tsv", "-o", "out", "--quiet"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("coswitch: rank 0: bad.tsv:3"), std::string::npos) << r.err;
    // One rank names the cause, not every one.
    EXPECT_EQ(r.err.find("rank 1:"), std::string::npos) << r.err;
    for (const auto& e : fs::directory_iterator(d.path()))
        EXPECT_EQ(e.path().filename().string().find("out"), std::string::npos) << e.path();
}

TEST_F(ScanMpi, AFailureDuringThePairsEndsEveryRankWithItsStatus) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(9, 6, 2, 4));
    // The ranks after the first spool their null records: with nowhere to put them they fail.
    const auto r = mpirun_scan(mpirun_, d.path(), 2,
                               {"table.tsv", "-o", "out", "--replicates", "2", "--bootstrap", "4",
                                "--nulls", "--threads", "1", "--quiet"},
                               "TMPDIR=" + (d / "missing").string());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("coswitch: rank 1: cannot create a spool file in "), std::string::npos) << r.err;
    for (const auto& e : fs::directory_iterator(d.path()))
        EXPECT_EQ(e.path().filename().string().find("out"), std::string::npos) << e.path();
}


// Every rank checks the options; one says what is wrong, not one per rank.
TEST_F(ScanMpi, AnOptionErrorIsSaidOnce) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(4, 6, 2));
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"table.tsv", "--quiet"}, {"table.tsv", "-o", "out", "--bootstrap", "many"},
             {"table.tsv", "-o", "out", "--write-classic", "out/"}}) {
        const auto r = mpirun_scan(mpirun_, d.path(), 3, args);
        EXPECT_EQ(r.status, 2) << r.err;
        std::size_t said = 0;
        for (std::size_t at = r.err.find("coswitch: scan: "); at != std::string::npos;
             at = r.err.find("coswitch: scan: ", at + 1))
            ++said;
        EXPECT_EQ(said, 1u) << r.err;
        EXPECT_EQ(listing(d.path()), "table.tsv ");
    }
}

}  // namespace
