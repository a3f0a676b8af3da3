// What a pair costs in memory, measured on the program's peak.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

// The peak resident size of a scan in a child process, in bytes.
double peak_bytes(const fs::path& dir, const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) ::_exit(127);
        // glibc moves its mmap threshold up as large blocks are freed, and
        // then keeps one step's freed buffers in the heap or not, by chance
        // of timing, while the next step maps its own: a fixed threshold
        // gives them back, so that the peak is what the program holds.
        ::setenv("MALLOC_MMAP_THRESHOLD_", "131072", 1);
        std::vector<std::string> all = {"scan"};
        all.insert(all.end(), args.begin(), args.end());
        exec_program(all);
    }
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args[0];
    return static_cast<double>(ru.ru_maxrss) * 1024;
}

}  // namespace

// A pair's record (12 bytes), its |r| (8) and its two tallies' fields are
// all that grow with the pairs: never the null values, the rows of
// pairs.tsv or the ranking. 400 more genes, 279,800 more pairs.
TEST(ScanMemory, PeakGrowsByAtMost24BytesAPair) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory hides the program's own peak";
#endif
    ScratchDir d;
    const int samples = 3;
    const int sizes[] = {500, 900};
    for (const int genes : sizes) {
        const auto r = run_program(d.path(), "", {"simulate", "-o", "g" + std::to_string(genes) + ".tsv",
                                                  "--genes", std::to_string(genes), "--time-points",
                                                  std::to_string(samples)});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // The genes' own share: their values in a few copies, ids and fits.
    auto genes_share = [&](int genes) { return genes * (samples * 8.0 * 4 + 256); };
    auto pairs = [](double genes) { return genes * (genes - 1) / 2; };
    // One thread: the pairs' memory is the same on any number, and each
    // thread's arena of the allocator adds its own noise. The least of up
    // to two runs each: other work on the machine only adds.
    double least[2] = {1e300, 1e300};
    double slope = 0;
    for (int run = 0; run < 2; ++run) {
        for (int k = 0; k < 2; ++k) {
            const std::string g = std::to_string(sizes[k]);
            const std::string out = "o" + g + "_" + std::to_string(run);
            least[k] = std::min(least[k], peak_bytes(d.path(), {"g" + g + ".tsv", "-o", out, "--bootstrap",
                                                                "1", "--threads", "1", "--quiet"}));
            EXPECT_TRUE(fs::exists(d / out / "pairs.tsv"));
            fs::remove_all(d / out);
        }
        slope = ((least[1] - genes_share(sizes[1])) - (least[0] - genes_share(sizes[0]))) /
                (pairs(sizes[1]) - pairs(sizes[0]));
        if (slope <= 24.0) break;
    }
    EXPECT_LE(slope, 24.0) << "peak " << least[0] / 1024 << " kB for " << sizes[0] << " genes, "
                           << least[1] / 1024 << " kB for " << sizes[1];
    std::printf("peak memory grows by %.1f bytes a pair (%.0f kB for %d genes, %.0f kB for %d)\n", slope,
                least[0] / 1024, sizes[0], least[1] / 1024, sizes[1]);
}
