#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "io/checksum.hpp"
#include "io/quoted.hpp"
#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::vector<std::string>> tsv_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', pos);
            cells.push_back(line.substr(pos, tab - pos));
            if (tab == std::string::npos) break;
            pos = tab + 1;
        }
        rows.push_back(cells);
    }
    return rows;
}

// pairs.tsv rows keyed by "gene1 gene2".
std::map<std::string, std::vector<std::string>> pairs_by_name(const fs::path& file) {
    std::map<std::string, std::vector<std::string>> by;
    const auto rows = tsv_rows(read_file(file));
    for (std::size_t k = 1; k < rows.size(); ++k) by[rows[k][1] + " " + rows[k][2]] = rows[k];
    return by;
}

// The value of key in run.tsv.
std::string run_value(const fs::path& scan, const std::string& key) {
    for (const auto& row : tsv_rows(read_file(scan / "run.tsv")))
        if (row.size() == 2 && row[0] == key) return row[1];
    return "";
}

// Checks pvalue.txt of a classic run against pairs.tsv of a scan of the
// same data: statistics with the same digits, and the scan's p-value
// (count + 1) / (M + 1) of the very count whose count / M the classic run
// gives in single precision.
void expect_same_as_classic(const fs::path& classic, const fs::path& scan,
                            const std::vector<std::string>& ids) {
    const auto by = pairs_by_name(scan / "pairs.tsv");
    const double M = std::stod(run_value(scan, "pooled_nulls"));
    auto classic_text = [&](const std::string& p) {
        const double count = std::round(std::stod(p) * (M + 1)) - 1;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.8f", static_cast<double>(static_cast<float>(count / M)));
        return std::string(buf);
    };
    std::istringstream in(read_file(classic / "pvalue.txt"));
    std::string line;
    std::getline(in, line);
    int pairs = 0;
    while (std::getline(in, line)) {
        int i = 0, j = 0;
        char res[32], np[32], cor[32], cp[32];
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %d %31s %31s %31s %31s", &i, &j, res, np, cor, cp), 6);
        const auto it = by.find(ids[i - 1] + " " + ids[j - 1]);
        ASSERT_NE(it, by.end()) << line;
        const auto& row = it->second;  // rank gene1 gene2 stat_new p_new p_new_bh stat_corr p_corr ..
        EXPECT_EQ(row[3], res) << line;
        EXPECT_EQ(row[6], cor) << line;
        EXPECT_EQ(classic_text(row[4]), np) << line;
        EXPECT_EQ(classic_text(row[7]), cp) << line;
        ++pairs;
    }
    EXPECT_EQ(pairs, static_cast<int>(by.size()));
}

std::vector<std::string> kept_ids(const fs::path& genes_tsv) {
    std::vector<std::string> ids;
    const auto rows = tsv_rows(read_file(genes_tsv));
    for (std::size_t k = 1; k < rows.size(); ++k)
        if (rows[k][2] == "kept") ids.push_back(rows[k][0]);
    return ids;
}

TEST(Scan, SameNumbersAsTheClassicRunOfItsWrittenInputs) {
    ScratchDir d;
    // Gene mode with fitted densities, replicates by column groups, one gene
    // dropped for a missing value and one for having no variation.
    std::string table = switching_table(7, 6, 2, 3);
    table += "gene-missing";
    for (int k = 0; k < 12; ++k) table += k == 5 ? "\tNA" : "\t1.5";
    table += "\nflat";
    for (int k = 0; k < 12; ++k) table += "\t2";
    table += "\n";
    write_file(d / "table.tsv", table);
    auto r = run_program(d.path(), "",
                         {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "7", "--nulls",
                          "--null", "chained", "-o", "out", "--write-classic", "classic", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" genes: 7 kept, 2 dropped"), std::string::npos) << r.out;
    const auto ids = kept_ids(d / "out" / "genes.tsv");
    ASSERT_EQ(ids.size(), 7u);
    EXPECT_EQ(read_file(d / "classic" / "answers.txt"), "G\n6\n2\n7\n7\n");
    auto c = run_program(d / "classic", read_file(d / "classic" / "answers.txt"));
    ASSERT_EQ(c.status, 0) << c.err;
    expect_same_as_classic(d / "classic", d / "out", ids);
    EXPECT_EQ(read_file(d / "out" / "nulls.txt"), read_file(d / "classic" / "output.txt"));

    // The fixed null (scan's default) is the classic run's --null fixed.
    r = run_program(d.path(), "",
                    {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "7", "--nulls", "-o",
                     "out-fixed", "--write-classic", "classic-fixed", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("the classic run reproduces this scan with --null fixed"), std::string::npos);
    c = run_program(d / "classic-fixed", read_file(d / "classic-fixed" / "answers.txt"), {"--null", "fixed"});
    ASSERT_EQ(c.status, 0) << c.err;
    expect_same_as_classic(d / "classic-fixed", d / "out-fixed", ids);
    EXPECT_EQ(read_file(d / "out-fixed" / "nulls.txt"), read_file(d / "classic-fixed" / "output.txt"));
    EXPECT_NE(read_file(d / "out-fixed" / "nulls.txt"), read_file(d / "out" / "nulls.txt"));
    c = run_program(d / "classic-fixed", "", {"--null", "sometimes"});
    EXPECT_EQ(c.status, 2);
    EXPECT_NE(c.err.find("option --null: \"sometimes\" is not one of chained, fixed"), std::string::npos) << c.err;

    // Time mode with given densities, the classic run's wide layout.
    write_file(d / "p1.txt", "2 2.1 1.9 2 2.2 2\n0.6 0.5 0.6 0.7 0.6 0.5 0.6\n");
    write_file(d / "p2.txt", "5 5.1 4.9 5 5.2 5\n0.6 0.7 0.6 0.6 0.5 0.6\n");
    r = run_program(d.path(), "",
                    {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "5", "--para1",
                     "p1.txt", "--para2", "p2.txt", "--mode", "T", "-o", "out-t",
                     "--write-classic", "classic-t", "--quiet"});
    ASSERT_EQ(r.status, 2) << r.err;  // 13 values: neither 2 x 6 time points nor 2 x 7 genes
    EXPECT_NE(r.err.find("p1.txt: holds 13 values"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(d / "out-t"));
    EXPECT_FALSE(fs::exists(d / "classic-t"));
    write_file(d / "p1.txt", "2 2.1 1.9 2 2.2 2\n0.6 0.5 0.6 0.7 0.6 0.5\n");
    r = run_program(d.path(), "",
                    {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "5", "--para1",
                     "p1.txt", "--para2", "p2.txt", "--mode", "T", "-o", "out-t", "--null",
                     "chained", "--write-classic", "classic-t", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    c = run_program(d / "classic-t", read_file(d / "classic-t" / "answers.txt"));
    ASSERT_EQ(c.status, 0) << c.err;
    expect_same_as_classic(d / "classic-t", d / "out-t", kept_ids(d / "out-t" / "genes.tsv"));
}

TEST(Scan, SameBytesForEveryThreadCountAndAboveTheClassicLimits) {
    ScratchDir d;
    write_file(d / "table.csv", switching_table(80, 5, 1, 9, ','));
    std::map<std::string, std::string> first;
    for (const char* threads : {"1", "2", "5"}) {
        const std::string out = std::string("out") + threads;
        const auto r = run_program(d.path(), "",
                                   {"scan", "table.csv", "--bootstrap", "120", "--threads", threads,
                                    "--nulls", "--gzip", "-o", out, "--quiet"});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto files = folder_files(d / out);
        if (first.empty()) {
            first = files;
            for (const char* f : {"pairs.tsv.gz", "nulls.txt.gz", "genes.tsv", "design.tsv", "heatmap.svg",
                                  "edges.tsv.gz", "nodes.tsv", "network.graphml"})
                EXPECT_EQ(files.count(f), 1u) << f;
            // Said once, before the run: the pairs and the kept genes.
            EXPECT_NE(r.out.find("\n pairs: 3160, bootstrap replicates: 120 per pair"),
                      std::string::npos) << r.out;
            EXPECT_NE(r.out.find("\n genes: 80 kept, 0 dropped"), std::string::npos) << r.out;
            EXPECT_EQ(r.out.find(" pairs: 3160"), r.out.rfind(" pairs: 3160")) << r.out;
            EXPECT_EQ(r.out.find("gene pairs"), std::string::npos) << r.out;
            const std::string run = read_file(d / out / "run.tsv");
            EXPECT_NE(run.find("pooled_nulls\t379200\n"), std::string::npos) << run;
        } else {
            EXPECT_TRUE(files == first) << "threads " << threads;
        }
    }
    // Beyond the classic limits there is no classic run to write.
    const auto r = run_program(d.path(), "",
                               {"scan", "table.csv", "--bootstrap", "3", "--write-classic", "cl",
                                "-o", "out9", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--write-classic: the classic run cannot take 80 genes (at most 60)"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(d / "out9"));
    EXPECT_FALSE(fs::exists(d / "cl"));
}

TEST(Scan, NothingIsLeftBehindByAFailureAndNothingIsOverwritten) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(4, 5, 1));
    fs::create_directory(d / "taken");
    write_file(d / "taken" / "keep.txt", "mine");
    auto r = run_program(d.path(), "", {"scan", "table.tsv", "-o", "taken", "--quiet"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("taken: exists already"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(d / "taken" / "keep.txt"), "mine");

    // A bad cell: an input error naming the line and column, and no folder.
    write_file(d / "bad.tsv", "id\ta\tb\tc\ng1\t1\t2\t3\ng2\t1\tx7\t3\n");
    r = run_program(d.path(), "", {"scan", "bad.tsv", "-o", "out", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad.tsv:3"), std::string::npos) << r.err;
    // Fewer than two genes kept: nothing to test.
    write_file(d / "one.tsv", "id\ta\tb\tc\ng1\t1\t2\t3\ng2\t1\t\t3\n");
    r = run_program(d.path(), "", {"scan", "one.tsv", "-o", "out", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("1 gene kept, so there is no pair to test"), std::string::npos) << r.err;
    // Options that contradict each other.
    r = run_program(d.path(), "", {"scan", "table.tsv", "-o", "out", "--replicates", "1", "--samples", "(.)(.)"});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(d / "out"));
    for (const auto& e : fs::directory_iterator(d.path()))
        EXPECT_EQ(e.path().filename().string().find(".out.partial"), std::string::npos);
}

// Raw counts: 6 genes switching over 6 samples, sample t's values t times
// those of a library like the first.
std::string counts_table() {
    std::string out = "id\ts1\ts2\ts3\ts4\ts5\ts6\n";
    for (int g = 1; g <= 6; ++g) {
        out += "g" + std::to_string(g);
        for (int t = 1; t <= 6; ++t) {
            const bool high = ((t + g / 2) / (2 + g % 3)) % 2 == 1;
            out += "\t" + std::to_string(t * ((high ? 900 : 40) + 13 * g + 7 * t));
        }
        out += "\n";
    }
    return out;
}

TEST(Scan, RawCountsAreRefusedUnlessATransformIsGiven) {
    ScratchDir d;
    write_file(d / "counts.tsv", counts_table());
    auto r = run_program(d.path(), "", {"scan", "counts.tsv", "-o", "out", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "coswitch: counts.tsv: the values look like raw counts (whole numbers from 60 to "
              "5886); give --normalise cpm --transform log2p1 to analyse log counts per "
              "million, or --transform none to analyse them as they are\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(d / "out"));

    // As they are, when asked for; their library sizes earn a warning.
    r = run_program(d.path(), "",
                    {"scan", "counts.tsv", "-o", "raw", "--transform", "none", "--bootstrap", "3",
                     "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "coswitch: warning: counts.tsv: the values look like raw counts and the samples' "
              "sums differ 9.1-fold (2275 in column \"s1\" to 20815 in column \"s5\"); give "
              "--normalise cpm to compare counts per million\n");
    EXPECT_NE(read_file(d / "raw" / "run.tsv").find("transform\tnone\nnormalise\tnone\n"),
              std::string::npos);

    r = run_program(d.path(), "",
                    {"scan", "counts.tsv", "-o", "cpm", "--normalise", "cpm", "--transform",
                     "log2p1", "--bootstrap", "3", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("\n values: counts per million (--normalise cpm; sample sums from 2275 "
                         "to 20815), then --transform log2p1\n design:"),
              std::string::npos)
        << r.out;
    EXPECT_NE(read_file(d / "cpm" / "run.tsv").find("transform\tlog2p1\nnormalise\tcpm\n"),
              std::string::npos);
}

// The cells of `column` (by name) of every row of a pairs.tsv.
std::vector<std::string> column_of(const fs::path& pairs, const std::string& column) {
    const auto rows = tsv_rows(read_file(pairs));
    std::vector<std::string> cells;
    std::size_t c = 0;
    while (c < rows[0].size() && rows[0][c] != column) ++c;
    for (std::size_t k = 1; k < rows.size(); ++k) cells.push_back(rows[k].at(c));
    return cells;
}

// The same as numbers.
std::vector<double> pairs_column(const fs::path& file, const std::string& name) {
    std::vector<double> v;
    for (const std::string& cell : column_of(file, name)) v.push_back(std::stod(cell));
    return v;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Independent genes as the model takes them: the fixed null's dependence
// p-values must spread over (0, 1], fitted densities or given. The chained
// null is known to pile its p-values up below the middle yet rarely give a
// small one; this pins that, so that a change to either null shows.
TEST(Scan, FixedNullIsCalibratedOnIndependentGenes) {
    ScratchDir d;
    std::map<std::string, std::vector<double>> p_new, p_corr;
    int scans = 0;
    for (const char* seed : {"11", "12", "13"}) {
        const std::string table = std::string("sim") + seed + ".tsv";
        auto r = run_program(d.path(), "",
                             {"simulate", "-o", table, "--genes", "30", "--time-points", "12",
                              "--replicates", "3", "--seed", seed, "--quiet"});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string para = std::string("sim") + seed + ".para";
        const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
            {"fixed, fitted", {"--null", "fixed"}},
            {"fixed, given", {"--null", "fixed", "--para1", para + "1.txt", "--para2", para + "2.txt", "--mode", "G"}},
            {"chained, given", {"--null", "chained", "--para1", para + "1.txt", "--para2", para + "2.txt", "--mode", "G"}},
        };
        for (const auto& [how, options] : runs) {
            const std::string out = "scan" + std::to_string(++scans);
            std::vector<std::string> args = {"scan", table, "--replicates", "3", "-o", out, "--quiet"};
            args.insert(args.end(), options.begin(), options.end());
            r = run_program(d.path(), "", args);
            ASSERT_EQ(r.status, 0) << how << ": " << r.err;
            for (const double p : pairs_column(d / out / "pairs.tsv", "p_new")) p_new[how].push_back(p);
            for (const double p : pairs_column(d / out / "pairs.tsv", "p_corr")) p_corr[how].push_back(p);
        }
    }
    for (const auto& [how, p] : p_new) {
        ASSERT_EQ(p.size(), 3u * 435) << how;
        for (const double v : p) ASSERT_TRUE(v > 0 && v <= 1) << how << ": " << v;
        EXPECT_GT(median(p_corr[how]), 0.4) << how;
        const double small = static_cast<double>(std::count_if(p.begin(), p.end(), [](double v) { return v <= 0.05; })) / p.size();
        if (how.rfind("fixed", 0) == 0) {
            EXPECT_GT(median(p), 0.3) << how;
            EXPECT_LT(small, 0.1) << how;
        } else {
            EXPECT_LT(median(p), 0.3) << how;
            EXPECT_LT(small, 0.02) << how;
        }
    }
}

// Peak memory of a scan in a child process, in kilobytes.
long peak_kb(const fs::path& dir, const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        std::freopen("/dev/null", "w", stdout);
        std::vector<std::string> all = {"scan"};
        all.insert(all.end(), args.begin(), args.end());
        exec_program(all);
    }
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return ru.ru_maxrss;
}

// Memory grows with the pairs, never with pairs x bootstrap replicates.
TEST(Scan, PeakMemoryGrowsFarLessThanTheNullValues) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory hides the program's own peak";
#endif
    ScratchDir d;
    write_file(d / "g300.tsv", switching_table(300, 3, 1, 5));
    write_file(d / "g600.tsv", switching_table(600, 3, 1, 5));
    const int nboot = 20;
    const long small = peak_kb(d.path(), {"g300.tsv", "-o", "o300", "--bootstrap", "20", "--quiet"});
    const long large = peak_kb(d.path(), {"g600.tsv", "-o", "o600", "--bootstrap", "20", "--quiet"});
    const double more_pairs = 600.0 * 599 / 2 - 300.0 * 299 / 2;
    // Keeping both null values of every pair and replicate would take this much more.
    const double kept_nulls_kb = more_pairs * nboot * 2 * sizeof(double) / 1024.0;
    EXPECT_LT(static_cast<double>(large - small), 0.25 * kept_nulls_kb)
        << "peak " << small << " kB for 300 genes, " << large << " kB for 600";
    EXPECT_TRUE(fs::exists(d / "o600" / "pairs.tsv"));
    // Too many genes to draw all: the heatmap says which it draws.
    EXPECT_NE(read_file(d / "o600" / "heatmap.svg").find("<title>coswitch scan: 300 of 600 genes: "),
              std::string::npos);
}

}  // namespace


// Series long enough, or values large enough, that a pair's likelihood falls
// below the smallest double: every pair still gets its statistic, and the
// coupled pair is found. The classic run keeps its numbers and says so.
TEST(Scan, LongSeriesAndLargeValuesGetARealStatistic) {
    ScratchDir d;
    // Genes 3 and 6 alternate every 2 time points in opposite phase. The
    // values times `factor`, as whole numbers or not.
    auto scaled_table = [](int times, double factor, bool whole) {
        std::string text = "id";
        for (int t = 1; t <= times; ++t) text += "\tt" + std::to_string(t);
        text += "\n";
        for (const auto& row : tsv_rows(switching_table(6, times, 1, 4))) {
            if (row[0] == "id") continue;
            text += row[0];
            for (std::size_t k = 1; k < row.size(); ++k) {
                const double v = std::stod(row[k]) * factor;
                text += "\t" + (whole ? std::to_string(static_cast<long>(v)) : std::to_string(v));
            }
            text += "\n";
        }
        return text;
    };
    write_file(d / "long.tsv", scaled_table(300, 3.0, false));
    write_file(d / "counts.tsv", scaled_table(50, 600.0, true));
    for (const char* table : {"long.tsv", "counts.tsv"}) {
        SCOPED_TRACE(table);
        const std::string out = std::string("out-") + table;
        const auto r = run_program(d.path(), "",
                                   {"scan", table, "--transform", "none", "--bootstrap", "20",
                                    "-o", out, "--quiet"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("fitted with scaled recursions"), std::string::npos) << r.err;
        EXPECT_NE(run_value(d / out, "scaled_fits"), "0");
        for (const std::string& s : column_of(d / out / "pairs.tsv", "stat_new"))
            EXPECT_TRUE(std::isfinite(std::stod(s))) << s;
        // The coupled pair has the largest statistic, passes, and reads anti.
        const auto by = pairs_by_name(d / out / "pairs.tsv");
        const auto& coupled = by.at("gene-3:x gene-6:x");
        for (const auto& [name, row] : by) EXPECT_LE(std::stod(row[3]), std::stod(coupled[3])) << name;
        EXPECT_LT(std::stod(coupled[5]), 0.05);  // adjusted
        EXPECT_EQ(coupled[10], "anti");
    }

    // The classic run keeps its NaN and counts them on standard error.
    fs::create_directory(d / "classic");
    write_synthetic_inputs(d / "classic", 50, 1, 3, false);
    write_file(d / "classic" / "para1.txt", "2 2 2\n3000 3000 3000\n");
    write_file(d / "classic" / "para2.txt", "5 5 5\n3000 3000 3000\n");
    const auto c = run_program(d / "classic", answers('G', 50, 1, 5, 3));
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.err.find("3 of 3 pairs have no dependence statistic"), std::string::npos) << c.err;
    EXPECT_NE(read_file(d / "classic" / "pvalue.txt").find("NaN"), std::string::npos);
}

// Under the default null no p-value is 0; the summary says what the
// smallest one is and which null made them, and so does run.tsv.
TEST(Scan, PValuesAreNeverZeroAndTheNullIsNamed) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(8, 12, 1, 2));
    const auto r = run_program(d.path(), "", {"scan", "table.tsv", "--bootstrap", "10", "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("null: fixed (every replicate simulated from the fit to the pair's observed data)"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("over M = 280 pooled null values; none can be below 0.003559"), std::string::npos)
        << r.out;
    EXPECT_EQ(run_value(d / "out", "null"), "fixed");
    for (const char* column : {"p_new", "p_corr", "p_new_bh", "p_corr_bh"})
        for (const std::string& p : column_of(d / "out" / "pairs.tsv", column))
            EXPECT_GE(std::stod(p), 1.0 / 281) << column;
    for (const std::string& phase : column_of(d / "out" / "pairs.tsv", "phase"))
        EXPECT_TRUE(phase == "in" || phase == "anti") << phase;
}

// run.tsv's command pastes into a shell as the very words that were given,
// and every input file is named with its checksum.
TEST(Scan, RunRecordCommandPastesIntoAShell) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(4, 5, 2, 3));
    write_file(d / "my genes.txt", "gene-1:x\ngene-2:x\ngene-3:x\n");
    const std::vector<std::string> args = {"scan", "table.tsv", "--samples", "t(\\d+)_r(\\d+)",
                                           "--genes", "my genes.txt", "--bootstrap", "3",
                                           "-o", "it's out", "--quiet"};
    const auto r = run_program(d.path(), "", args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string command = run_value(d / "it's out", "command");
    ASSERT_EQ(command.rfind("coswitch scan ", 0), 0u) << command;
    // The shell splits the command into its words: one per line.
    const std::string script = "eval \"set -- $0\"; for w; do printf '%s\\n' \"$w\"; done";
    FILE* p = ::popen(("sh -c " + coswitch::shell_quoted(script) + " " + coswitch::shell_quoted(command)).c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string listed;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) listed += buf;
    ::pclose(p);
    std::string want = "coswitch\n";
    for (const std::string& w : args) want += w + "\n";
    EXPECT_EQ(listed, want);
    EXPECT_EQ(run_value(d / "it's out", "genes_file"), "my genes.txt");
    EXPECT_EQ(run_value(d / "it's out", "genes_sha256"),
              coswitch::file_sha256((d / "my genes.txt").string(), "my genes.txt"));
    EXPECT_EQ(run_value(d / "it's out", "design_file"), "");  // --samples reads no file
}

// With a --genes list genes.tsv holds the genes of the run, not the whole
// table; run.tsv counts the others.
TEST(Scan, GenesTsvListsTheGenesOfTheRun) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(6, 8, 1, 2));
    write_file(d / "list.txt", "gene-2:x\ngene-5:x\ngene-6:x\n");
    const auto r = run_program(d.path(), "", {"scan", "table.tsv", "--genes", "list.txt", "--bootstrap", "2",
                                              "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = tsv_rows(read_file(d / "out" / "genes.tsv"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][0] + " " + rows[2][0] + " " + rows[3][0], "gene-2:x gene-5:x gene-6:x");
    EXPECT_EQ(run_value(d / "out", "genes_not_selected"), "3");
    EXPECT_NE(r.out.find(" genes: 3 kept, 0 dropped, 3 not selected (genes.tsv lists every gene of the run and why)"),
              std::string::npos) << r.out;
}
