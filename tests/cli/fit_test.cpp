#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
// realdata.txt with v(t, r, g) for time t, replicate r, gene g (1-based).
std::string realdata(int ntime, int nrep, int ngene, const std::function<double(int, int, int)>& v) {
    std::ostringstream s;
    s.precision(6);
    for (int t = 1; t <= ntime; ++t)
        for (int r = 1; r <= nrep; ++r) {
            for (int g = 1; g <= ngene; ++g) s << (g > 1 ? " " : "") << std::fixed << v(t, r, g);
            s << "\n";
        }
    return s.str();
}

// Every number of a para file: the means, then the standard deviations.
std::vector<double> numbers(const fs::path& p) {
    std::istringstream in(read_file(p));
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

std::vector<std::string> fit_args(char mode, int ntime, int nrep, int ngene) {
    return {"fit", "--mode", std::string(1, mode), "--time-points", std::to_string(ntime),
            "--replicates", std::to_string(nrep), "--genes", std::to_string(ngene)};
}
}  // namespace

TEST(Fit, RecoversGeneratingDensitiesInBothModesAndRepeatsItselfFromCrlf) {
    // The synthetic para files hold the densities the data were drawn from. Time mode here has
    // more genes than time points, so max(genes, time points) columns.
    using Case = std::tuple<char, int, int, int, std::size_t>;  // mode, sizes, columns fitted
    for (const auto& [mode, ntime, nrep, ngene, fitted] : {Case{'G', 20, 10, 4, 4}, Case{'T', 6, 25, 8, 6}}) {
        ScratchDir d, again, here;
        write_synthetic_inputs(d.path(), ntime, nrep, ngene, mode == 'T');
        std::string crlf;  // the same numbers between tabs and commas, on CR LF lines
        for (char ch : read_file(d / "realdata.txt"))
            crlf += ch == ' ' ? "\t,  " : ch == '\n' ? "\r\n" : std::string(1, ch);
        write_file(again / "realdata.txt", crlf);
        std::vector<std::vector<double>> truth;
        for (const char* name : {"para1.txt", "para2.txt"}) {
            truth.push_back(numbers(d / name));
            fs::remove(d / name);
        }
        auto args = fit_args(mode, ntime, nrep, ngene);
        const auto r = run_program(d.path(), "", args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.find("poorly"), std::string::npos) << r.out;
        for (std::size_t f = 0; f < 2; ++f) {  // 0.2 on means, 25% on standard deviations
            const auto fit = numbers(d / ("para" + std::to_string(f + 1) + ".txt"));
            ASSERT_EQ(fit.size(), truth[f].size());
            for (std::size_t c = 0, sd = fit.size() / 2; c < fitted; ++c, ++sd) {
                EXPECT_NEAR(fit[c], truth[f][c], 0.2) << mode << c;
                EXPECT_NEAR(fit[sd], truth[f][sd], 0.25 * truth[f][sd]) << mode << c;
            }
        }
        // The same bytes again (through -C, from CR LF lines), which the analysis reads.
        args.insert(args.end(), {"-C", again.path().string()});
        EXPECT_EQ(run_program(here.path(), "", args).out, r.out);
        for (const char* name : {"para1.txt", "para2.txt"})
            EXPECT_EQ(read_file(again / name), read_file(d / name));
        const auto run = run_program(d.path(), answers(mode, ntime, nrep, 1, ngene));
        EXPECT_EQ(run.status, 0) << run.err;
    }
}

TEST(Fit, FlagsPoorSeparationAndRefusesBadInputAndExistingFiles) {
    // Gene 1 switches between well separated states, gene 2 is one normal.
    ScratchDir d;
    std::mt19937 rng(2);
    std::normal_distribution<double> noise;
    write_file(d / "realdata.txt", realdata(10, 10, 2, [&](int t, int r, int g) {
                   return g == 2 ? 3.0 + noise(rng) : ((t + r) % 2 ? 8.0 : 2.0) + 0.5 * noise(rng);
               }));
    auto r = run_program(d.path(), "", fit_args('G', 10, 10, 2));
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string header, gene1, gene2;
    std::getline(lines, header), std::getline(lines, gene1), std::getline(lines, gene2);
    EXPECT_EQ(gene1.find("poorly-separated"), std::string::npos) << gene1;
    EXPECT_NE(gene2.find("poorly-separated"), std::string::npos) << gene2;

    // A column without variation is named, and nothing is written.
    for (const char mode : {'G', 'T'}) {
        ScratchDir e;
        write_file(e / "realdata.txt", realdata(3, 2, 4, [&](int t, int r, int g) {
                       return (mode == 'G' ? g == 3 : t == 2) ? 4.25 : t + 0.5 * r + g;
                   }));
        r = run_program(e.path(), "", fit_args(mode, 3, 2, 4));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(mode == 'G' ? "gene 3 has no variation" : "time point 2 has no variation"),
                  std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(e / "para1.txt"));
    }

    // An existing para2.txt: para1.txt is not left behind, para2.txt is untouched.
    fs::remove(d / "para1.txt");
    write_file(d / "para2.txt", "keep me\n");
    r = run_program(d.path(), "", fit_args('G', 10, 10, 2));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("para2.txt"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(d / "para1.txt"));
    EXPECT_EQ(read_file(d / "para2.txt"), "keep me\n");

    // A short realdata.txt gets the analysis' own diagnostic, word for word.
    ScratchDir short_fit, short_run;
    write_synthetic_inputs(short_run.path(), 3, 2, 3, false);
    write_file(short_fit / "realdata.txt", read_file(short_run / "realdata.txt"));
    const auto fit = run_program(short_fit.path(), "", fit_args('G', 4, 2, 3));
    const auto run = run_program(short_run.path(), answers('G', 4, 2, 1, 3));
    EXPECT_EQ(fit.status, 2);
    EXPECT_NE(fit.err.find("realdata.txt"), std::string::npos) << fit.err;
    EXPECT_EQ(fit.err, run.err);
}
