#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

struct Normals {
    explicit Normals(unsigned seed) : g(seed) {}
    double operator()(double mean, double sd) {
        const double u1 = (static_cast<double>(g()) + 0.5) / 4294967296.0;
        const double u2 = (static_cast<double>(g()) + 0.5) / 4294967296.0;
        return mean + sd * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }
    std::mt19937 g;
};

// realdata.txt with value(t, r, g) for time t, replicate r, gene g (1-based).
std::string realdata(int ntime, int nrep, int ngene,
                     const std::function<double(int, int, int)>& value,
                     const std::string& sep = " ", const std::string& eol = "\n") {
    std::ostringstream s;
    s.precision(6);
    for (int t = 1; t <= ntime; ++t)
        for (int r = 1; r <= nrep; ++r) {
            for (int g = 1; g <= ngene; ++g) s << (g > 1 ? sep : "") << std::fixed << value(t, r, g);
            s << eol;
        }
    return s.str();
}

// The two lines of a para file as numbers.
std::vector<std::vector<double>> para(const fs::path& p) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(read_file(p));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        rows.emplace_back();
        double v;
        while (w >> v) rows.back().push_back(v);
    }
    return rows;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

std::vector<std::string> fit_args(char mode, int ntime, int nrep, int ngene) {
    return {"fit", "--mode", std::string(1, mode), "--time-points", std::to_string(ntime),
            "--replicates", std::to_string(nrep), "--genes", std::to_string(ngene)};
}

}  // namespace

TEST(Fit, RecoversGeneratingDensitiesInGeneMode) {
    // Gene g: state 0 ~ N(1 + g, 0.4 + 0.05 g), state 1 ~ N(5 + g, 0.6 + 0.05 g),
    // half the observations in each; 200 values per gene.
    ScratchDir a, b;
    Normals rnd(11);
    const std::string data = realdata(20, 10, 4, [&](int t, int r, int g) {
        return (t + r + g) % 2 ? rnd(5.0 + g, 0.6 + 0.05 * g) : rnd(1.0 + g, 0.4 + 0.05 * g);
    });
    write_file(a / "realdata.txt", data);
    write_file(b / "realdata.txt", data);
    const auto ra = run_program(a.path(), "", fit_args('G', 20, 10, 4));
    ASSERT_EQ(ra.status, 0) << ra.err;
    const auto p1 = para(a / "para1.txt");
    const auto p2 = para(a / "para2.txt");
    ASSERT_EQ(p1.size(), 2u);
    ASSERT_EQ(p2.size(), 2u);
    ASSERT_EQ(p1[0].size(), 4u);
    ASSERT_EQ(p2[1].size(), 4u);
    // Tolerances: 0.2 on means, 25% on standard deviations.
    for (int g = 1; g <= 4; ++g) {
        const std::size_t c = static_cast<std::size_t>(g - 1);
        EXPECT_NEAR(p1[0][c], 1.0 + g, 0.2) << "gene " << g;
        EXPECT_NEAR(p1[1][c], 0.4 + 0.05 * g, 0.25 * (0.4 + 0.05 * g)) << "gene " << g;
        EXPECT_NEAR(p2[0][c], 5.0 + g, 0.2) << "gene " << g;
        EXPECT_NEAR(p2[1][c], 0.6 + 0.05 * g, 0.25 * (0.6 + 0.05 * g)) << "gene " << g;
    }
    const auto out = lines_of(ra.out);
    ASSERT_EQ(out.size(), 6u) << ra.out;  // header, 4 genes, closing line
    for (const auto& line : out) EXPECT_EQ(line.substr(0, 1), " ") << line;
    for (std::size_t k = 1; k <= 4; ++k) EXPECT_EQ(out[k].find("poorly"), std::string::npos);

    // Same data, same bytes.
    const auto rb = run_program(b.path(), "", fit_args('G', 20, 10, 4));
    ASSERT_EQ(rb.status, 0) << rb.err;
    EXPECT_EQ(read_file(a / "para1.txt"), read_file(b / "para1.txt"));
    EXPECT_EQ(read_file(a / "para2.txt"), read_file(b / "para2.txt"));
    EXPECT_EQ(ra.out, rb.out);

    // The analysis reads what fit wrote.
    const auto run = run_program(a.path(), "",
                                 {"--mode", "G", "--time-points", "20", "--replicates", "10",
                                  "--bootstrap", "1", "--genes", "4", "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST(Fit, RecoversGeneratingDensitiesInTimeModeWithMoreGenesThanTimePoints) {
    // Time point t: state 0 ~ N(2 + 0.5 t, 0.5), state 1 ~ N(7 + 0.5 t, 0.7);
    // 8 genes x 25 replicates = 200 values per time point.
    ScratchDir d;
    Normals rnd(5);
    write_file(d / "realdata.txt", realdata(6, 25, 8, [&](int t, int r, int g) {
                   return (g + r) % 2 ? rnd(7.0 + 0.5 * t, 0.7) : rnd(2.0 + 0.5 * t, 0.5);
               }));
    const auto r = run_program(d.path(), "", fit_args('T', 6, 25, 8));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto p1 = para(d / "para1.txt");
    const auto p2 = para(d / "para2.txt");
    ASSERT_EQ(p1.size(), 2u);
    // The analysis reads max(genes, time points) columns in time mode.
    ASSERT_EQ(p1[0].size(), 8u);
    ASSERT_EQ(p2[1].size(), 8u);
    for (int t = 1; t <= 6; ++t) {
        const std::size_t c = static_cast<std::size_t>(t - 1);
        EXPECT_NEAR(p1[0][c], 2.0 + 0.5 * t, 0.2) << "time " << t;
        EXPECT_NEAR(p1[1][c], 0.5, 0.125) << "time " << t;
        EXPECT_NEAR(p2[0][c], 7.0 + 0.5 * t, 0.2) << "time " << t;
        EXPECT_NEAR(p2[1][c], 0.7, 0.175) << "time " << t;
    }
    const auto out = lines_of(r.out);
    ASSERT_EQ(out.size(), 10u) << r.out;
    EXPECT_NE(out[0].find("time"), std::string::npos);
    EXPECT_EQ(out[6].find("unused"), std::string::npos);
    EXPECT_NE(out[7].find("unused"), std::string::npos);
    EXPECT_NE(out[8].find("unused"), std::string::npos);

    const auto run = run_program(d.path(), "",
                                 {"--mode", "T", "--time-points", "6", "--replicates", "25",
                                  "--bootstrap", "1", "--genes", "8", "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST(Fit, RefusesToOverwriteAndLeavesNoHalfPair) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 6, 2, 3, false);
    fs::remove(d / "para1.txt");
    write_file(d / "para2.txt", "keep me\n");
    auto r = run_program(d.path(), "", fit_args('G', 6, 2, 3));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("para2.txt"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(d / "para1.txt"));
    EXPECT_EQ(read_file(d / "para2.txt"), "keep me\n");
    EXPECT_EQ(r.out, "");

    fs::remove(d / "para2.txt");
    write_file(d / "para1.txt", "mine\n");
    r = run_program(d.path(), "", fit_args('G', 6, 2, 3));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("para1.txt"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(d / "para1.txt"), "mine\n");
    EXPECT_FALSE(fs::exists(d / "para2.txt"));
}

TEST(Fit, FlagsPoorSeparationAndRejectsAConstantColumn) {
    // Gene 1 switches between well separated states, gene 2 is one normal.
    ScratchDir d;
    Normals rnd(2);
    write_file(d / "realdata.txt", realdata(10, 10, 2, [&](int t, int r, int g) {
                   if (g == 2) return rnd(3.0, 1.0);
                   return (t + r) % 2 ? rnd(8.0, 0.5) : rnd(2.0, 0.5);
               }));
    auto r = run_program(d.path(), "", fit_args('G', 10, 10, 2));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines_of(r.out);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[1].find("poorly-separated"), std::string::npos) << out[1];
    EXPECT_NE(out[2].find("poorly-separated"), std::string::npos) << out[2];

    // A gene with one value throughout is named, and no para file appears.
    ScratchDir c;
    write_file(c / "realdata.txt", realdata(4, 2, 3, [](int t, int r, int g) {
                   return g == 3 ? 4.25 : t + 0.5 * r + g;
               }));
    r = run_program(c.path(), "", fit_args('G', 4, 2, 3));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("gene 3 has no variation"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(c / "para1.txt"));
    EXPECT_FALSE(fs::exists(c / "para2.txt"));

    // In time mode the constant column is a time point.
    ScratchDir e;
    write_file(e / "realdata.txt", realdata(3, 2, 4, [](int t, int r, int g) {
                   return t == 2 ? 1.5 : t + 0.5 * r + g;
               }));
    r = run_program(e.path(), "", fit_args('T', 3, 2, 4));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("time point 2 has no variation"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(e / "para1.txt"));
}

TEST(Fit, ReadsRealdataLikeTheAnalysis) {
    // CR LF line ends, tabs and commas give the same fit as plain blanks.
    ScratchDir plain, crlf;
    auto value = [](int t, int r, int g) { return ((t + g) % 3 ? 1.0 : 4.0) + 0.1 * r + 0.03 * t; };
    write_file(plain / "realdata.txt", realdata(6, 3, 3, value));
    write_file(crlf / "realdata.txt", realdata(6, 3, 3, value, "\t,  ", "\r\n"));
    const auto a = run_program(plain.path(), "", fit_args('G', 6, 3, 3));
    const auto b = run_program(crlf.path(), "", fit_args('G', 6, 3, 3));
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(read_file(plain / "para1.txt"), read_file(crlf / "para1.txt"));
    EXPECT_EQ(read_file(plain / "para2.txt"), read_file(crlf / "para2.txt"));

    // A short file gets the analysis' own diagnostic, word for word.
    ScratchDir f, g;
    const std::string shortdata = realdata(3, 2, 3, value) + "";
    write_file(f / "realdata.txt", shortdata);
    write_synthetic_inputs(g.path(), 4, 2, 3, false);
    write_file(g / "realdata.txt", shortdata);
    const auto fit = run_program(f.path(), "", fit_args('G', 4, 2, 3));
    const auto run = run_program(g.path(), "",
                                 {"--mode", "G", "--time-points", "4", "--replicates", "2",
                                  "--bootstrap", "1", "--genes", "3", "--quiet"});
    EXPECT_EQ(fit.status, 2);
    EXPECT_NE(fit.err.find("realdata.txt"), std::string::npos) << fit.err;
    EXPECT_EQ(fit.err, run.err);
}

TEST(Fit, OptionsAndHelp) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 6, 2, 3, false);
    fs::remove(d / "para1.txt");
    fs::remove(d / "para2.txt");
    auto r = run_program(d.path(), "", {"fit", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("5%"), std::string::npos);
    r = run_program(d.path(), "", {"fit", "--mode=G", "--time-points=6", "--replicates=2",
                                   "--genes=3", "--floor", "1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--floor"), std::string::npos);
    EXPECT_NE(r.err.find("--help"), std::string::npos);
    r = run_program(d.path(), "", {"fit", "--mode", "G", "--time-points", "6"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--replicates, --genes"), std::string::npos) << r.err;
    r = run_program(d.path(), "", {"fit", "--mode", "G", "--time-points", "6", "--replicates",
                                   "2", "--genes", "61"});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(d / "para1.txt"));

    // -C: read from and write into another directory; "--name=value" works.
    ScratchDir here;
    r = run_program(here.path(), "", {"fit", "--mode=g", "--time-points=6", "--replicates=2",
                                      "--genes=3", "-C", d.path().string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(d / "para1.txt"));
    EXPECT_TRUE(fs::exists(d / "para2.txt"));
}
