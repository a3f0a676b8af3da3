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
        const std::string e = failure_of([&, &text = text] { read_text(text, 3, 2); });
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

TEST(Readers, EmptyCellsOfTabSeparatedLinesAreRefused) {
    // Tabs between cells, blanks and commas inside them, CR LF ends: values as before.
    EXPECT_EQ(read_text("1.5\t2\t 3 \r\n4\t5 6\t\n", 2, 3), (std::vector<double>{1.5, 2, 3, 4, 5, 6}));
    // Cells after the values a read takes are not looked at.
    EXPECT_EQ(read_text("1\t2\t\t\t\n3\t4\t\tx\n", 2, 2), (std::vector<double>{1, 2, 3, 4}));
    // A read may still go on to the next line after a full last cell.
    EXPECT_EQ(read_text("1\t2\n3\n", 1, 3), (std::vector<double>{1, 2, 3}));
    // In a line without a tab, blanks are only separators, as always.
    EXPECT_EQ(read_text("  1   2 \n", 1, 2), (std::vector<double>{1, 2}));

    using Case = std::pair<std::string, std::string>;  // text, whole diagnostic
    for (const auto& [text, message] : std::vector<Case>{
             {"1\t\t3\n", "in.txt:1: empty cell 2 in a tab-separated line (nothing between two tabs)"},
             {"1\t \t3\n", "in.txt:1: empty cell 2 in a tab-separated line (nothing between two tabs)"},
             {"\t1\t2\n", "in.txt:1: empty cell 1 in a tab-separated line (before the first tab)"},
             {"1 2 3\n4\t5\t\r\n", "in.txt:2: empty cell 3 in a tab-separated line (after the last tab)"},
             {"1\t,\t3\n", "in.txt:1: empty cell 2 in a tab-separated line (nothing between two tabs)"}}) {
        const std::string e = failure_of([&, &text = text] { read_text(text, 2, 3); });
        EXPECT_EQ(e, message) << text;
    }
}

TEST(Readers, ValuesAreShownShortAndPlainAndNegativeDeviationsRefused) {
    // A long token is cut, control characters and bytes that are not UTF-8 are escaped.
    const std::string long_token(5000000, '7');
    EXPECT_EQ(failure_of([&] { read_text("1 " + long_token + "x\n", 1, 2); }),
              "in.txt:1: cannot read \"" + std::string(40, '7') + "\"... as a number");
    EXPECT_EQ(failure_of([&] { read_text(std::string("1 a\0b\x01\xff\xc3\xa9\n", 10), 1, 2); }),
              "in.txt:1: cannot read \"a\\x00b\\x01\\xff\xc3\xa9\" as a number");
    // A value beyond the double range is not a number.
    EXPECT_EQ(failure_of([&] { read_text("1 1e999\n", 1, 2); }), "in.txt:1: cannot read \"1e999\" as a number");
    EXPECT_EQ(failure_of([&] { read_text("1\n-1.8e308\n", 1, 2); }),
              "in.txt:2: cannot read \"-1.8e308\" as a number");
    // End of file: the line where the file ended.
    EXPECT_EQ(failure_of([&] { read_text("1 2\n\n3 4\n5\n", 3, 2); }),
              "in.txt:4: end of file during the read of read 3: 1 of 2 values found");

    // Standard deviations below 0 are refused with the file, line and value; 0 and -0 pass.
    ScratchDir d;
    const std::string dir = d.path().string();
    Array<double, 2> para(2, 3);
    write_file(d / "para1.txt", "1 2 3\n0.5 0 -0\n");
    read_para(dir, "para1.txt", {'G', 4, 1, 0, 3}, para);
    EXPECT_EQ(para(2, 2), 0.0);
    write_file(d / "para1.txt", "-1 -2 -3\n0.5\n0.1 -1e-300\n");
    EXPECT_EQ(failure_of([&] { read_para(dir, "para1.txt", {'G', 4, 1, 0, 3}, para); }),
              dir + "/para1.txt:3: the standard deviation of column 3, \"-1e-300\", is negative");
    EXPECT_EQ(failure_of([&] { read_para(dir, "para1.txt", {'T', 3, 1, 0, 3}, para); }),
              dir + "/para1.txt:3: the standard deviation of column 3, \"-1e-300\", is negative")
        << "time mode reads the same columns";
}
