// The program's standard streams and inputs when they are not what a terminal
// session gives: closed, full, a directory, a device or a pipe.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run/result_files.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
const std::vector<std::string> kFive = {"--mode", "G", "--time-points", "6", "--replicates", "2",
                                        "--bootstrap", "3", "--genes", "4"};

bool exists_any_result(const fs::path& d) {
    return fs::exists(d / "pvalue.txt") || fs::exists(d / "output.txt");
}
}  // namespace

TEST(Streams, ClosedStandardDescriptorsTakeNoFile) {
    ScratchDir ref, closed;
    write_synthetic_inputs(ref.path(), 6, 2, 4, false, 4);
    write_synthetic_inputs(closed.path(), 6, 2, 4, false, 4);
    ASSERT_EQ(run_program(ref.path(), "", kFive).status, 0);

    // With standard error closed, pvalue.txt would be descriptor 2 and take the progress lines.
    std::vector<std::string> args = kFive;
    args.push_back("--progress");
    RunOptions o;
    o.in_child = [] { ::close(2), ::close(0); };
    const auto r = run_program(closed.path(), "", args, o);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(closed / "pvalue.txt"), read_file(ref / "pvalue.txt"));
    EXPECT_EQ(read_file(closed / "output.txt"), read_file(ref / "output.txt"));
    EXPECT_EQ(run_program(closed.path(), "", {"summary"}).status, 0);

    // The dialogue with standard output closed: the prompts go nowhere, the run is the same.
    ScratchDir quiet;
    write_synthetic_inputs(quiet.path(), 6, 2, 4, false, 4);
    o.in_child = [] { ::close(1); };
    EXPECT_EQ(run_program(quiet.path(), answers('G', 6, 2, 3, 4), {}, o).status, 0);
    EXPECT_EQ(read_file(quiet / "pvalue.txt"), read_file(ref / "pvalue.txt"));
}

TEST(Streams, OutputThatCannotBeWrittenStopsAtTheFirstPrompt) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 6, 2, 4, false);
    RunOptions o;
    o.in_child = [] {
        const int full = ::open("/dev/full", O_WRONLY);
        ::dup2(full, 1);
    };
    const auto r = run_program(d.path(), answers('G', 6, 2, 3, 4), {}, o);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "coswitch: cannot write to standard output: No space left on device\n");
    EXPECT_FALSE(exists_any_result(d.path()));
}

TEST(Streams, InputsThatAreNotRegularFiles) {
    // Standard input a directory: said so.
    {
        ScratchDir d;
        RunOptions o;
        o.in_child = [] {
            const int dir = ::open("/", O_RDONLY | O_DIRECTORY);
            ::dup2(dir, 0);
        };
        const auto r = run_program(d.path(), "", {}, o);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "coswitch: standard input is a directory, not the answers\n");
    }
    // A device, a pipe without a writer, a directory: refused at once, named, with the
    // result files holding their headers.
    struct Case {
        const char* file;
        std::string kind;
    };
    for (const auto& c : {Case{"realdata.txt", "a device"}, Case{"realdata.txt", "a pipe"},
                          Case{"para2.txt", "a directory"}}) {
        ScratchDir d;
        write_synthetic_inputs(d.path(), 6, 2, 4, false);
        fs::remove(d / c.file);
        if (c.kind == "a device") fs::create_symlink("/dev/zero", d / c.file);
        if (c.kind == "a pipe") {
            ASSERT_EQ(::mkfifo((d / c.file).c_str(), 0600), 0);
        }
        if (c.kind == "a directory") fs::create_directory(d / c.file);
        RunOptions o;
        o.timeout_seconds = 30;
        const auto r = run_program(d.path(), "", kFive, o);
        EXPECT_EQ(r.status, 2) << c.kind;
        EXPECT_EQ(r.err, "coswitch: " + std::string(c.file) + ": is " + c.kind + ", not a regular file\n");
        EXPECT_EQ(read_file(d / "pvalue.txt"), kPvalueHeader);
    }
    // The same for what summary reads.
    ScratchDir s;
    ASSERT_EQ(::mkfifo((s / "pvalue.txt").c_str(), 0600), 0);
    RunOptions o;
    o.timeout_seconds = 30;
    auto r = run_program(s.path(), "", {"summary"}, o);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "coswitch: pvalue.txt: is a pipe, not a regular file\n");
}

TEST(Streams, EndlessInputAndMemoryRunningOutAreNamed) {
    // Standard input without line ends: refused after one long line, not read for ever.
    ScratchDir d;
    RunOptions o;
    o.timeout_seconds = 30;
    o.in_child = [] {
        const int zero = ::open("/dev/zero", O_RDONLY);
        ::dup2(zero, 0);
    };
    auto r = run_program(d.path(), "", {}, o);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "coswitch: standard input: a line of more than 65536 characters is not an answer\n");
    EXPECT_TRUE(fs::is_empty(d.path()));

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address checking needs more address space than the ceiling below";
#endif
    // A sparse file of 4 GiB (no disk used) read under a ceiling of 1 GiB: the reader and
    // summary name the file; nothing says a bare bad_alloc.
    ScratchDir big;
    write_synthetic_inputs(big.path(), 4, 2, 3, false);
    fs::resize_file(big / "realdata.txt", std::uintmax_t{4} << 30);
    o.in_child = [] {
        const rlimit cap{rlim_t{1} << 30, rlim_t{1} << 30};
        ::setrlimit(RLIMIT_AS, &cap);
    };
    r = run_program(big.path(), "", {"--mode", "G", "--time-points", "4", "--replicates", "2",
                                     "--bootstrap", "2", "--genes", "3"}, o);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "coswitch: realdata.txt: out of memory while reading it\n");
    fs::rename(big / "realdata.txt", big / "pvalue.txt");
    fs::remove(big / "output.txt");
    r = run_program(big.path(), "", {"summary"}, o);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "coswitch: pvalue.txt: out of memory while reading it\n");
}
