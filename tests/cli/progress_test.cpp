#include "cli/progress.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace coswitch;

namespace {
// What a plain progress display wrote while pairs were done one by one.
std::string lines_for(long long pairs, long long done) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* f = ::open_memstream(&text, &size);
    {
        Progress p(ProgressMode::Plain, f, false, pairs, 1);
        for (long long n = 1; n <= done; ++n) p.update(n, n);
        p.finish();
    }
    std::fclose(f);
    std::string out(text, size);
    std::free(text);
    return out;
}
}  // namespace

// No time left is guessed from the first pairs: a run whose first percent
// is not done yet shows "left --:--"; once it is, a time.
TEST(Progress, TimeLeftOnlyOnceTheRateSettles) {
    const std::string early = lines_for(100000, 900);  // 0.9 %
    EXPECT_NE(early.find("left --:--"), std::string::npos) << early;
    EXPECT_EQ(early.find("left 0:"), std::string::npos) << early;
    const std::string later = lines_for(1000, 50);  // 5 %
    EXPECT_NE(later.find("pairs 50/1000, bootstrap replicates 50/1000, elapsed 0:00, left 0:00"),
              std::string::npos)
        << later;
}
