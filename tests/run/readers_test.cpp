#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "io/errors.hpp"
#include "run/readers.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
// The values of `reads` reads of `count` values each, in read order.
std::vector<double> read_text(const std::string& text, int reads, int count) {
    ScratchDir d;
    write_file(d / "in.txt", text);
    std::vector<double> got;
    read_free_form((d / "in.txt").string(), "in.txt", reads, count,
                   [&](int, int, double v) { got.push_back(v); },
                   [](int r) { return "read " + std::to_string(r); });
    return got;
}

// The diagnostic of f, which must fail as bad input.
template <class F>
std::string failure_of(F&& f) {
    try {
        f();
    } catch (const RunError& e) {
        EXPECT_EQ(e.status, kExitInput) << e.what();
        return e.what();
    }
    return "no failure";
}
}  // namespace

TEST(Readers, ReadsSpanLinesAndFailuresNameFileAndLine) {
    // A read may continue over lines; the rest of its last line, and lines after the last
    // read, are ignored.
    EXPECT_EQ(read_text("1 2\n3\n\n4 99 NA\n5 6 7 8\nextra line\n", 2, 4),
              (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(read_text("1,2 , 3\r\n 4.5E1,\t-5d-1 , 6 junk,,\r\n"
                        "-0.75\t+.5\t5.\r\n1.5D3 3.2E-1 3.2e+1", 2, 6),
              (std::vector<double>{1, 2, 3, 45, -0.5, 6, -0.75, 0.5, 5, 1500, 0.32, 32}));
    EXPECT_TRUE(read_text("", 5, 0).empty()) << "reads of no values take nothing";
    double v = 0;
    for (const char* bad : {"NA", "NaN", "Inf", "-Infinity", "1.2.3", "3*0.5", "", ".", "1e", "0x10"})
        EXPECT_FALSE(parse_number(bad, v)) << bad;

    using Case = std::tuple<std::string, std::string, std::string>;  // text, two parts of the diagnostic
    for (const auto& [text, where, what] : std::vector<Case>{
             {"1 2\n3 4\n5 NA\n", "in.txt:3", "NA"}, {"1 2\n3 4\n5 3*0.5\n", "in.txt:3", "3*0.5"},
             {"1 2\n1.2.3 4\n", "in.txt:2", "1.2.3"}, {"0 0\n1,,2\n", "in.txt:2", "empty"},
             {"1 2 3 4\n", "end of file", "read 2"}, {"1 2\n3\n", "read 2", "1 of 2"}}) {
        const std::string e = failure_of([&] { read_text(text, 3, 2); });
        EXPECT_NE(e.find("in.txt"), std::string::npos) << e;
        EXPECT_NE(e.find(where), std::string::npos) << e;
        EXPECT_NE(e.find(what), std::string::npos) << e;
    }
}

TEST(Readers, ExpressionAndParameterFiles) {
    ScratchDir d;
    const std::string dir = d.path().string();
    const RunParameters p{'G', 2, 3, 0, 2};
    Inputs in;
    in.MODTCELL44.resize(6, 2);
    write_file(d / "realdata.txt", "11 12 0\n21 22\n31 32\n41 42\n51 52 0 0\n61 62\n");
    read_realdata(dir, p, in);
    EXPECT_EQ(in.MODTCELL44(4, 2), 42);
    EXPECT_EQ(in.MODTCELL44(6, 1), 61);
    write_file(d / "realdata.txt", "11 12 21 22 31 32\n41 42 51 52 61 62\n");
    std::string e = failure_of([&] { read_realdata(dir, p, in); });
    EXPECT_NE(e.find("realdata.txt"), std::string::npos) << e;
    EXPECT_NE(e.find("time point 1, replicate 3"), std::string::npos) << e;

    // Time mode with more time points than genes reads NTIME columns; otherwise NGENE.
    Array<double, 2> wide(2, 5), narrow(2, 3);
    write_file(d / "para2.txt", "1 2 3 4 5\n0.1 0.2 0.3 0.4 0.5 9\n");
    read_para(dir, "para2.txt", {'T', 5, 1, 0, 3}, wide);
    EXPECT_EQ(wide(2, 5), 0.5);
    write_file(d / "para2.txt", "1 2 3\n0.1 0.2 0.3\n");
    e = failure_of([&] { read_para(dir, "para2.txt", {'T', 5, 1, 0, 3}, wide); });
    EXPECT_NE(e.find("para2.txt"), std::string::npos) << e;
    EXPECT_NE(e.find("standard deviations"), std::string::npos) << e;
    read_para(dir, "para2.txt", {'G', 5, 1, 0, 3}, narrow);
    read_para(dir, "para2.txt", {'T', 3, 1, 0, 3}, narrow);
    EXPECT_EQ(narrow(2, 3), 0.3);
}
