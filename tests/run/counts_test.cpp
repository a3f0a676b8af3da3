#include <gtest/gtest.h>

#include <sys/resource.h>

#include <climits>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "analysis/run_data.hpp"
#include "run/result_files.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
// A ceiling on the child's memory, so that a count that sizes an array by
// mistake fails at once instead of filling the machine. Address checking
// reserves far more address space than it uses, so it goes without.
void cap_memory() {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    const rlimit cap{rlim_t{1} << 30, rlim_t{1} << 30};
    ::setrlimit(RLIMIT_AS, &cap);
#endif
}
}  // namespace

TEST(Counts, NegativeCountsSizeNothing) {
    EXPECT_EQ(extent(-5), 0);
    EXPECT_EQ(extent(INT_MIN), 0);
    EXPECT_EQ(extent(7), 7);
    // Two negative counts do not multiply into a positive size, and the product of two
    // large ones does not wrap.
    EXPECT_EQ(data_rows({'G', INT_MIN, -1, 5, 1}), 0);
    EXPECT_EQ(data_rows({'G', -46340, -46340, 0, 1}), 0);
    EXPECT_EQ(data_rows({'G', INT_MAX, INT_MAX, 0, 1}), std::int64_t{INT_MAX} * INT_MAX);
    const RunParameters q = counts_at_least_zero({'T', -3, INT_MIN, -1, -60});
    EXPECT_EQ((std::vector{q.FLAG == 'T', q.NTIME == 0, q.NREP == 0, q.NBOOT == 0, q.NGENE == 0}),
              std::vector<bool>(5, true));
    // (The tables themselves are sized only in the whole-program test below, whose child
    // has a memory ceiling: a fault here must not fill this machine.)

    // Extents whose product cannot be counted are refused, not wrapped to a small size.
    Array<double, 3> a;
    EXPECT_THROW(a.resize(std::int64_t{1} << 40, std::int64_t{1} << 40, 16), std::bad_alloc);
    a.resize(3, -2, 4);
    EXPECT_EQ(a.size(), 0u);
}

TEST(Counts, NegativeAnswersAndOptionsGiveHeaderOnlyFiles) {
    // One gene: any counts are accepted. Negative time points and replicates read no line
    // of realdata.txt (it is empty), whatever their product.
    const std::vector<std::vector<std::string>> runs = {
        {"G", "-2147483648", "-1", "5", "1"},
        {"T", "-46340", "-46340", "-100", "1"},
        {"--mode", "G", "--time-points", "-46340", "--replicates", "-46340", "--bootstrap", "3",
         "--genes", "1"},
        {"--mode", "T", "--time-points", "-2147483648", "--replicates", "-2147483648",
         "--bootstrap", "-2147483648", "--genes", "-2147483648"},
    };
    for (const auto& run : runs) {
        ScratchDir d;
        for (const char* name : {"realdata.txt", "para1.txt", "para2.txt"}) write_file(d / name, "");
        write_file(d / "para1.txt", "1\n0.5\n");
        write_file(d / "para2.txt", "3\n0.5\n");
        const bool dialogue = run.size() == 5;
        std::string input;
        if (dialogue)
            for (const auto& a : run) input += a + "\n";
        RunOptions o;
        o.in_child = cap_memory;
        o.timeout_seconds = 60;
        const auto r = run_program(d.path(), input, dialogue ? std::vector<std::string>{} : run, o);
        EXPECT_EQ(r.status, 0) << run[1] << " " << run[3] << ": " << r.err;
        EXPECT_EQ(read_file(d / "pvalue.txt"), kPvalueHeader);
        EXPECT_EQ(read_file(d / "output.txt"), kOutputHeader);
    }
}
