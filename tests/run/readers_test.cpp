#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/errors.hpp"
#include "run/readers.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
RunParameters params(char flag, int ntime, int nrep, int ngene) {
    RunParameters p;
    p.FLAG = flag;
    p.NTIME = ntime;
    p.NREP = nrep;
    p.NGENE = ngene;
    return p;
}

// Performs `reads` reads of `count` values from text; the values in read order.
std::vector<double> read_text(const std::string& text, int reads, int count) {
    ScratchDir d;
    write_file(d / "in.txt", text);
    std::vector<double> got;
    read_free_form((d / "in.txt").string(), "in.txt", reads, count,
                   [&](int, int, double v) { got.push_back(v); },
                   [](int r) { return "read " + std::to_string(r); });
    return got;
}

// The diagnostic of a call that must fail with status 2.
template <class F>
std::string failure_of(F&& f) {
    try {
        f();
    } catch (const RunError& e) {
        EXPECT_EQ(e.status, kExitInput) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no failure";
    return "";
}

std::string read_error(const std::string& text, int reads, int count) {
    return failure_of([&] { read_text(text, reads, count); });
}

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}
}  // namespace

TEST(Readers, NumberSyntax) {
    struct Good {
        const char* text;
        double value;
    };
    for (const Good& g : {Good{"12", 12.0}, Good{"-0.75", -0.75}, Good{"3.2E-1", 0.32},
                          Good{"3.2e+1", 32.0}, Good{"1.5D3", 1500.0}, Good{"-2d-2", -0.02},
                          Good{"+.5", 0.5}, Good{"5.", 5.0}, Good{"0", 0.0}}) {
        double v = -1.0;
        EXPECT_TRUE(parse_number(g.text, v)) << g.text;
        EXPECT_EQ(v, g.value) << g.text;
    }
    double v = 0.0;
    for (const char* bad : {"NA", "NaN", "nan", "Inf", "-Infinity", "1.2.3", "3*0.5", "", ".",
                            "-", "1e", "1e+", "e5", "1x", "0x10", "1e400", "1/"})
        EXPECT_FALSE(parse_number(bad, v)) << bad;
}

TEST(Readers, ReadsStartOnNewLinesAndMayContinueOverLines) {
    // One read spread over lines; the rest of a line after the last value is
    // ignored, and so are lines after the last read.
    EXPECT_EQ(read_text("1 2\n3\n\n4 99 98\n5 6 7 8\nextra line\n", 2, 4),
              (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
    // Commas, tabs, CRLF line ends, exponents; no line end after the last line.
    EXPECT_EQ(read_text("1,2 , 3\r\n\t4.5E1,\t-5d-1 , 6 junk,,\r\n7\t8\t9", 3, 3),
              (std::vector<double>{1, 2, 3, 45, -0.5, 6, 7, 8, 9}));
    // A read of no values takes nothing and never fails, even with no lines.
    EXPECT_TRUE(read_text("", 5, 0).empty());
    EXPECT_TRUE(read_text("x y z\n", 3, 0).empty());
}

TEST(Readers, FailuresNameFileLineAndText) {
    for (const char* bad : {"NA", "NaN", "Inf", "1.2.3", "3*0.5"}) {
        const std::string e = read_error(std::string("1 2\n3 4\n5 ") + bad + "\n", 3, 2);
        EXPECT_TRUE(contains(e, "in.txt:3")) << e;
        EXPECT_TRUE(contains(e, bad)) << e;
    }
    for (const char* bad : {"1,,2\n", "1, ,2\n"}) {
        const std::string e = read_error(std::string("0 0\n") + bad, 2, 2);
        EXPECT_TRUE(contains(e, "in.txt:2")) << e;
        EXPECT_TRUE(contains(e, "empty")) << e;
    }
    // A value after the last one of a read is never looked at, valid or not.
    EXPECT_EQ(read_text("1 2 NA\n", 1, 2), (std::vector<double>{1, 2}));

    // The end of the file names the incomplete read.
    std::string e = read_error("1 2 3 4\n", 2, 2);
    EXPECT_TRUE(contains(e, "in.txt")) << e;
    EXPECT_TRUE(contains(e, "end of file")) << e;
    EXPECT_TRUE(contains(e, "read 2")) << e;
    e = read_error("1 2\n3\n", 2, 2);
    EXPECT_TRUE(contains(e, "read 2")) << e;
    EXPECT_TRUE(contains(e, "1 of 2")) << e;
}

TEST(Readers, ExpressionAndParameterFiles) {
    ScratchDir d;
    const RunParameters p = params('G', 2, 3, 2);
    Inputs in;
    in.MODTCELL44.resize(6, 2);
    // Surplus columns are ignored.
    write_file(d / "realdata.txt", "11 12 0\n21 22\n31 32\n41 42\n51 52 0 0\n61 62\n");
    read_realdata(d.path().string(), p, in);
    EXPECT_EQ(in.MODTCELL44(1, 1), 11);
    EXPECT_EQ(in.MODTCELL44(4, 2), 42);
    EXPECT_EQ(in.MODTCELL44(6, 1), 61);

    // All values on fewer lines than reads: every read begins a new line.
    write_file(d / "realdata.txt", "11 12 21 22 31 32\n41 42 51 52 61 62\n");
    std::string e = failure_of([&] { read_realdata(d.path().string(), p, in); });
    EXPECT_TRUE(contains(e, "realdata.txt")) << e;
    EXPECT_TRUE(contains(e, "time point 1, replicate 3")) << e;
    write_file(d / "realdata.txt", "1 1\n1 1\n1 1\n1 1\n1 1\n");
    e = failure_of([&] { read_realdata(d.path().string(), p, in); });
    EXPECT_TRUE(contains(e, "time point 2, replicate 3")) << e;

    // Means and standard deviations on one line: the second read finds no line.
    Array<double, 2> para(2, 2);
    write_file(d / "para1.txt", "1 2 3 4\n");
    e = failure_of([&] { read_para(d.path().string(), "para1.txt", p, para); });
    EXPECT_TRUE(contains(e, "para1.txt")) << e;
    EXPECT_TRUE(contains(e, "standard deviations")) << e;
    e = failure_of([&] { read_para(d.path().string(), "para2.txt", p, para); });
    EXPECT_TRUE(contains(e, "para2.txt")) << e;
    EXPECT_TRUE(contains(e, "not found")) << e;

    // Time mode with more time points than genes reads NTIME columns.
    const RunParameters t = params('T', 5, 1, 3);
    Array<double, 2> wide(2, 5);
    write_file(d / "para2.txt", "1 2 3 4 5\n0.1 0.2 0.3 0.4 0.5 9\n");
    read_para(d.path().string(), "para2.txt", t, wide);
    EXPECT_EQ(wide(1, 5), 5);
    EXPECT_EQ(wide(2, 4), 0.4);
    write_file(d / "para2.txt", "1 2 3\n0.1 0.2 0.3\n");
    e = failure_of([&] { read_para(d.path().string(), "para2.txt", t, wide); });
    EXPECT_TRUE(contains(e, "standard deviations")) << e;
    // The same file serves gene mode, and time mode with NTIME <= NGENE.
    Array<double, 2> narrow(2, 3);
    read_para(d.path().string(), "para2.txt", params('G', 5, 1, 3), narrow);
    read_para(d.path().string(), "para2.txt", params('T', 3, 1, 3), narrow);
    EXPECT_EQ(narrow(2, 3), 0.3);

    // No genes: the reads take nothing, even from empty files.
    write_file(d / "realdata.txt", "");
    write_file(d / "para1.txt", "");
    const RunParameters none = params('G', 4, 2, 0);
    Inputs empty;
    Array<double, 2> no_para;
    read_realdata(d.path().string(), none, empty);
    read_para(d.path().string(), "para1.txt", none, no_para);
}
