#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

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

// The word of a table line under the header's word `column` (no cell may be empty before it).
std::string cell(const std::string& header, const std::string& line, const std::string& column) {
    std::istringstream h(header), l(line);
    for (std::string name, word; h >> name && l >> word;)
        if (name == column) return word;
    return "";
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
        // Drawn from two well separated states: two states are worth their cost everywhere.
        EXPECT_NE(r.out.find(mode == 'G' ? " 4 of 4 genes switch" : " 6 of 6 time points have two states"),
                  std::string::npos) << r.out;
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

TEST(Fit, TellsSwitchingFromNoiseAndRefusesBadInputAndExistingFiles) {
    // Gene 1 switches between well separated states (alternating, so without persistence),
    // gene 2 is one normal: 100 values of it give two states no gain worth 3 log(100).
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
    EXPECT_EQ(cell(header, gene1, "switching"), "yes") << r.out;
    EXPECT_GT(std::stod(cell(header, gene1, "bic_gain")), 0.0) << r.out;
    EXPECT_LT(std::stod(cell(header, gene1, "persistence")), 0.0) << r.out;
    EXPECT_EQ(cell(header, gene2, "switching"), "no") << r.out;
    EXPECT_LT(std::stod(cell(header, gene2, "bic_gain")), 0.0) << r.out;

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


TEST(Fit, WorkedDigitsFlagsAndStatesThatSwap) {
    // Expected values worked with a separate implementation of the documented fit (median
    // split, 5% floor, log-likelihood tolerance) in double precision, and of the criterion:
    // bic_gain = 2 (loglik of the mixture - loglik of one normal) - 3 log(8), persistence the
    // lag-1 autocorrelation, its p-value from 999 orders of the documented generator.
    // Gene 1: the iteration ends with the wide component, started on the lower half, above
    //   the narrow one, so the states swap and weight1 is the narrow one's complement.
    // Gene 2: both states at the floor, 5% of the overall deviation sqrt(2525.6875).
    // Gene 3: two values of eight in state 1, exactly two values' worth: no small-state.
    // Gene 4: one value of eight: small-state.
    // Gene 3's course persists just short of the threshold (p = 0.011); genes 2 to 4 switch
    // by their two states, gene 1 neither has two states worth their cost nor persists.
    ScratchDir d;
    write_file(d / "realdata.txt",
               "0 1 1 1\n0.2 2 2 2\n0.9 101 3 3\n2.5 103 1 1\n0.2 1 2 2\n-0.5 2 3 3\n-4.3 101 200 2\n"
               "5.1 103 202 200\n");
    const auto r = run_program(d.path(), "", fit_args('G', 8, 1, 4));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              " gene     mean0       sd0     mean1      sd1  weight1  bic_gain  persistence  persistence_p  switching  flags\n"
              "    1  0.129397  0.407349  0.897963  3.46732   0.4985    -0.894      -0.3354          0.782  no\n"
              "    2       1.5   2.51281       102  2.51281   0.5000    37.811       0.1285          0.201  yes\n"
              "    3         2   4.30869       201  4.30869   0.2500    40.373       0.4616          0.011  yes\n"
              "    4         2   3.27431       200  3.27431   0.1250    43.292      -0.0186          0.161  yes        small-state\n"
              " 3 of 4 genes switch (bic_gain > 0 or persistence_p <= 0.01)\n"
              " wrote para1.txt (state 0) and para2.txt (state 1), 4 columns each\n");
    EXPECT_EQ(read_file(d / "para1.txt"), "0.129397301 1.5 2 2\n0.40734867 2.51281093 4.30869397 3.27430813\n");
    EXPECT_EQ(read_file(d / "para2.txt"), "0.897963077 102 201 200\n3.46732222 2.51281093 4.30869397 3.27430813\n");
}

TEST(Fit, WorkedCriterionWithReplicatesNamesAndTsvInBothModes) {
    // Worked like the test above. Gene mode, 6 time points of 2 replicates: gene 1 climbs in
    // both replicates, values too evenly spread for two states, yet its courses persist
    // (p = 0.002); gene 2 alternates between two tight states: two states, no persistence;
    // gene 3 is noise. Names are as long as the widest is, in code points.
    ScratchDir g;
    write_file(g / "realdata.txt",
               "1.0 0.1 2.3\n1.4 4.9 2.9\n2.1 5.0 3.4\n2.4 0.2 2.0\n3.0 0.0 3.1\n3.3 5.2 2.6\n"
               "3.9 4.8 2.2\n4.5 0.3 3.3\n5.1 0.1 2.8\n5.4 5.1 2.4\n6.0 4.9 3.0\n6.6 0.2 2.7\n");
    write_file(g / "genes.txt", "YFL014W\r\nHTA1 (histone)\r\n\xc3\xa9t\xc3\xa9\r\n\r\n");
    auto args = fit_args('G', 6, 2, 3);
    args.insert(args.end(), {"--names", "genes.txt", "--tsv", "fit.tsv"});
    auto r = run_program(g.path(), "", args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              " gene  name              mean0       sd0    mean1       sd1  weight1  bic_gain  persistence  persistence_p  switching  flags\n"
              "    1  YFL014W         2.50631   1.04707  5.48954  0.797244   0.4085    -5.350       0.4941          0.002  yes\n"
              "    2  HTA1 (histone)     0.15  0.120974  4.98333  0.134371   0.5000    48.789      -0.8380          1.000  yes\n"
              "    3  \xc3\xa9t\xc3\xa9             2.21742  0.157803  2.93841  0.298782   0.7040    -5.843      -0.3072          0.725  no\n"
              " 2 of 3 genes switch (bic_gain > 0 or persistence_p <= 0.01)\n"
              " wrote para1.txt (state 0) and para2.txt (state 1), 3 columns each\n"
              " wrote fit.tsv\n");
    // The densities as the para files hold them.
    const std::string tsv =
        "column\tname\tmean0\tsd0\tmean1\tsd1\tweight1\tbic_gain\tpersistence\tpersistence_p\tswitching\tflags\n"
        "1\tYFL014W\t2.50631495\t1.04706738\t5.48953674\t0.797244425\t0.4085\t-5.350\t0.4941\t0.002\tyes\t\n"
        "2\tHTA1 (histone)\t0.15\t0.120974056\t4.98333333\t0.134370962\t0.5000\t48.789\t-0.8380\t1\tyes\t\n"
        "3\t\xc3\xa9t\xc3\xa9\t2.21742141\t0.157803016\t2.93841402\t0.298781533\t0.7040\t-5.843\t-0.3072\t0.725\tno\t\n";
    EXPECT_EQ(read_file(g / "fit.tsv"), tsv);
    EXPECT_EQ(read_file(g / "para1.txt"), "2.50631495 0.15 2.21742141\n1.04706738 0.120974056 0.157803016\n");

    // Time mode, 3 time points of 2 replicates and 5 genes: time point 1 is noise, 2 and 3
    // have two states; columns 4 and 5 are unused, fitted over all 30 values.
    ScratchDir t;
    write_file(t / "realdata.txt", "1.0 1.3 0.8 1.1 0.9\n1.2 1.05 0.95 1.15 0.85\n0 0.1 0 5.1 5\n"
                                   "5 0.05 5.05 0.1 5.1\n2 3 2.5 4 3.5\n9 3.2 2.8 3.1 2.9\n");
    args = fit_args('T', 3, 2, 5);
    args.insert(args.end(), {"--tsv", "-"});
    r = run_program(t.path(), "", args);
    ASSERT_EQ(r.status, 0) << r.err;
    // Standard output holds the TSV alone; the table goes to standard error.
    EXPECT_EQ(r.out,
              "column\tname\tmean0\tsd0\tmean1\tsd1\tweight1\tbic_gain\ttwo_state\tflags\n"
              "1\t1\t0.84876319\t0.0446667131\t1.08659224\t0.127400327\t0.7620\t-5.556\tno\t\n"
              "2\t2\t0.05\t0.125019998\t5.05\t0.125019998\t0.5000\t47.864\tyes\t\n"
              "3\t3\t3\t0.53748385\t9\t0.0935414347\t0.1000\t16.032\tyes\tsmall-state\n"
              "4\t4\t0.704395325\t0.493298684\t3.70722793\t1.90721754\t0.5624\t2.147\tyes\tunused\n"
              "5\t5\t0.704395325\t0.493298684\t3.70722793\t1.90721754\t0.5624\t2.147\tyes\tunused\n");
    EXPECT_EQ(r.err,
              " time     mean0        sd0    mean1        sd1  weight1  bic_gain  two_state  flags\n"
              "    1  0.848763  0.0446667  1.08659     0.1274   0.7620    -5.556  no\n"
              "    2      0.05    0.12502     5.05    0.12502   0.5000    47.864  yes\n"
              "    3         3   0.537484        9  0.0935414   0.1000    16.032  yes        small-state\n"
              "    4  0.704395   0.493299  3.70723    1.90722   0.5624     2.147  yes        unused\n"
              "    5  0.704395   0.493299  3.70723    1.90722   0.5624     2.147  yes        unused\n"
              " 2 of 3 time points have two states (bic_gain > 0)\n"
              " wrote para1.txt (state 0) and para2.txt (state 1), 5 columns each\n");
    EXPECT_FALSE(fs::exists(t / "-"));
}

TEST(Fit, NamesAndTsvRefusedBeforeAnythingIsWritten) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 4, 2, 3, false);
    for (const char* name : {"para1.txt", "para2.txt"}) fs::remove(d / name);
    write_file(d / "genes.txt", "a\nb\n");
    auto with = [](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {with(fit_args('T', 4, 2, 3), {"--names", "genes.txt"}), 2,
         "fit: option --names: names are of genes, and in time mode (--mode T) the columns are time points"},
        {with(fit_args('G', 4, 2, 3), {"--names", "genes.txt"}), 2,
         "genes.txt: 2 names, expected 3 (one per gene, in the column order of realdata.txt)"},
        {with(fit_args('G', 4, 2, 3), {"--names", "absent.txt"}), 2, "absent.txt: "},
        {with(fit_args('G', 4, 2, 3), {"--tsv", "realdata.txt"}), 1, "realdata.txt: file exists"},
        {with(fit_args('G', 4, 2, 3), {"--tsv="}), 2, "fit: option --tsv needs a file name"},
    };
    for (const Case& c : cases) {
        const auto r = run_program(d.path(), "", c.args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_EQ(r.err.rfind("coswitch: " + c.message, 0), 0u) << r.err;
        EXPECT_EQ(listing(d.path()), "genes.txt realdata.txt ") << c.message;
    }

    // When standard output cannot take the TSV, no para file appears.
    RunOptions full;
    full.in_child = [] {
        const int fd = ::open("/dev/full", O_WRONLY);
        if (fd >= 0) ::dup2(fd, 1);
    };
    const auto r = run_program(d.path(), "", with(fit_args('G', 4, 2, 3), {"--tsv", "-"}), full);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("coswitch: standard output: write failed"), std::string::npos) << r.err;
    EXPECT_EQ(listing(d.path()), "genes.txt realdata.txt ");
}

TEST(Fit, CountsExactlyAtAndBeyondTheirLimits) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 50, 50, 2, false);
    for (const char* name : {"para1.txt", "para2.txt"}) fs::remove(d / name);
    // 50 time points and 50 replicates are accepted, 51 are not; no file is written then.
    auto r = run_program(d.path(), "", fit_args('G', 50, 50, 2));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const auto& [args, named] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {fit_args('G', 51, 50, 2), "option --time-points: 51 is outside 1 to 50"},
             {fit_args('G', 50, 51, 2), "option --replicates: 51 is outside 1 to 50"},
             {fit_args('G', 50, 50, 61), "option --genes: 61 is outside 1 to 60"},
             {fit_args('G', 50, 50, 0), "option --genes: 0 is outside 1 to 60"},
             {fit_args('T', 0, 50, 2), "option --time-points: 0 is outside 1 to 50"},
             {fit_args('G', 1, 1, 2), "a fit needs at least 2 values per gene"}}) {
        ScratchDir e;
        write_file(e / "realdata.txt", read_file(d / "realdata.txt"));
        r = run_program(e.path(), "", args);
        EXPECT_EQ(r.status, 2) << named;
        EXPECT_EQ(r.err.rfind("coswitch: fit: " + named, 0), 0u) << r.err;
        EXPECT_EQ(listing(e.path()), "realdata.txt ");
    }
    // 60 genes are accepted.
    ScratchDir g;
    write_synthetic_inputs(g.path(), 4, 2, 60, false);
    for (const char* name : {"para1.txt", "para2.txt"}) fs::remove(g / name);
    r = run_program(g.path(), "", fit_args('G', 4, 2, 60));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("60 columns each"), std::string::npos);
}

TEST(Fit, ExtremeValuesGiveFiniteFilesOrNone) {
    // Values whose squares overflow, and values in the subnormal range whose squares vanish.
    ScratchDir d;
    write_file(d / "realdata.txt",
               "1e300 1e-310\n-1e300 2e-310\n1.5e300 4e-310\n-2e300 3e-310\n1.7e308 -1e-320\n"
               "-1.7e308 5e-310\n");
    auto r = run_program(d.path(), "", fit_args('G', 3, 2, 2));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"para1.txt", "para2.txt"}) {
        const auto v = numbers(d / name);
        ASSERT_EQ(v.size(), 4u) << read_file(d / name);
        for (double x : v) EXPECT_TRUE(std::isfinite(x)) << read_file(d / name);
        EXPECT_GT(v[2], 0.0) << "a standard deviation, neither 0 nor negative";
        EXPECT_GT(v[3], 0.0);
    }
    EXPECT_EQ(r.out.find("nan"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("inf"), std::string::npos) << r.out;
    // The analysis takes the files it was given.
    EXPECT_EQ(run_program(d.path(), answers('G', 3, 2, 2, 2)).status, 0);
    // Values whose squares overflow are fitted as the same values scaled down: the fit of
    // x * 2^1000 is the fit of x, times 2^1000 (to the nine digits written).
    ScratchDir small, big;
    std::string plain, huge;
    for (const auto& row : {std::pair{1.0, 2.0}, {2.0, 3.0}, {9.0, 8.0}, {10.0, 12.0}, {1.5, 11.0}, {9.5, 2.5}}) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%.17g %.17g\n", row.first, row.second);
        plain += buf;
        std::snprintf(buf, sizeof buf, "%.17g %.17g\n", std::ldexp(row.first, 1000), std::ldexp(row.second, 1000));
        huge += buf;
    }
    write_file(small / "realdata.txt", plain);
    write_file(big / "realdata.txt", huge);
    ASSERT_EQ(run_program(small.path(), "", fit_args('G', 3, 2, 2)).status, 0);
    ASSERT_EQ(run_program(big.path(), "", fit_args('G', 3, 2, 2)).status, 0);
    for (const char* name : {"para1.txt", "para2.txt"}) {
        const auto a = numbers(small / name), b = numbers(big / name);
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t k = 0; k < a.size(); ++k)
            EXPECT_NEAR(std::ldexp(b[k], -1000), a[k], 1e-8 * std::fabs(a[k])) << name << k;
    }
}

// fit and scan fit a gene alike: the same values give the same states, gain and persistence.
TEST(Fit, EachGeneFittedAsScanFitsIt) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(6, 8, 2, 5));
    auto r = run_program(d.path(), "", {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "1",
                                        "-o", "out", "--write-classic", "classic", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> args = fit_args('G', 8, 2, 6);
    args.insert(args.end(), {"-C", (d / "classic").string(), "--tsv", "fit.tsv"});
    ASSERT_TRUE(fs::remove(d / "classic" / "para1.txt") && fs::remove(d / "classic" / "para2.txt"));
    r = run_program(d.path(), "", args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream genes(read_file(d / "out" / "genes.tsv")), fits(read_file(d / "classic" / "fit.tsv"));
    std::string gene_head, fit_head, gene, fit;
    std::getline(genes, gene_head);
    std::getline(fits, fit_head);
    // Cells by tabs: a kept gene's reason is empty.
    const auto cell = [](const std::string& header, const std::string& line, const std::string& column) {
        std::istringstream h(header), l(line);
        for (std::string name, word; std::getline(h, name, '\t') && std::getline(l, word, '\t');)
            if (name == column) return word;
        return std::string("missing");
    };
    int compared = 0;
    while (std::getline(genes, gene) && std::getline(fits, fit)) {
        for (const char* column : {"mean0", "sd0", "mean1", "sd1"}) {
            char nine[64];
            std::snprintf(nine, sizeof nine, "%.9g", std::stod(cell(gene_head, gene, column)));
            EXPECT_EQ(nine, cell(fit_head, fit, column)) << column << "\n" << gene << "\n" << fit;
        }
        for (const char* column : {"weight1", "bic_gain", "persistence", "persistence_p", "switching"})
            EXPECT_EQ(cell(gene_head, gene, column), cell(fit_head, fit, column)) << column << "\n" << gene;
        ++compared;
    }
    EXPECT_EQ(compared, 6);
}
