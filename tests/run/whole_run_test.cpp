#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

// The runs kept in tests/cases: answers, inputs and every byte the run gives.
TEST(WholeRun, CasesOfTheProjectByteForByte) {
    const fs::path cases = fs::path(COSWITCH_SOURCE_DIR) / "tests" / "cases";
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(cases)) {
        const fs::path c = entry.path();
        if (!fs::exists(c / "answers.txt")) continue;
        SCOPED_TRACE(c.filename().string());
        ++seen;
        const std::string answers = read_file(c / "answers.txt");
        ScratchDir asked, given;
        for (const char* f : {"realdata.txt", "para1.txt", "para2.txt"}) {
            write_file(asked / f, read_file(c / f));
            write_file(given / f, read_file(c / f));
        }
        const auto r = run_program(asked.path(), answers);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, read_file(c / "expected" / "stdout.txt"));
        for (const char* f : {"pvalue.txt", "output.txt"})
            EXPECT_EQ(read_file(asked / f), read_file(c / "expected" / f)) << f;

        // The same answers as options, on two threads: the same files.
        std::istringstream a(answers);
        std::vector<std::string> w(5);
        for (auto& s : w) a >> s;
        const auto g = run_program(given.path(), "",
                                   {"--mode", w[0], "--time-points", w[1], "--replicates", w[2], "--bootstrap",
                                    w[3], "--genes", w[4], "--threads", "2"});
        EXPECT_EQ(g.status, 0) << g.err;
        for (const char* f : {"pvalue.txt", "output.txt"})
            EXPECT_EQ(read_file(given / f), read_file(c / "expected" / f)) << f;
    }
    EXPECT_GE(seen, 2);
}
