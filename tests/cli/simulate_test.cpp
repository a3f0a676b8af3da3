#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

// The words of the indented lines of standard output that begin with
// "coswitch scan", without the program's name.
std::vector<std::vector<std::string>> printed_scans(const std::string& out) {
    std::vector<std::vector<std::string>> scans;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.size() > 2 && w[0] == "coswitch" && w[1] == "scan") scans.emplace_back(w.begin() + 1, w.end());
    }
    return scans;
}

TEST(SimulateCommand, WritesWhatThePrintedScansRead) {
    ScratchDir d;
    const std::vector<std::string> args = {"simulate", "-o", "sim.tsv", "--genes", "6", "--time-points", "5",
                                           "--replicates", "2", "--coupled", "1", "--coupling", "1",
                                           "--switch", "0.1..0.4", "--low", "1,0.3", "--seed", "7"};
    auto r = run_program(d.path(), "", args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(listing(d.path()), "sim.para1.txt sim.para2.txt sim.truth.tsv sim.tsv ");
    EXPECT_EQ(read_file(d / "sim.para1.txt"), "1 1 1 1 1 1\n0.3 0.3 0.3 0.3 0.3 0.3\n");
    const std::string truth = read_file(d / "sim.truth.tsv");
    EXPECT_NE(truth.find("\ng2\t0."), std::string::npos) << truth;
    EXPECT_NE(truth.find("\tg1\tfollower\t1\tin\n"), std::string::npos) << truth;

    const auto scans = printed_scans(r.out);
    ASSERT_EQ(scans.size(), 2u) << r.out;
    for (std::size_t k = 0; k < scans.size(); ++k) {
        std::vector<std::string> words = scans[k];
        words.push_back("--quiet");
        const auto s = run_program(d.path(), "", words);
        ASSERT_EQ(s.status, 0) << s.err;
        EXPECT_NE(s.out.find("design: 5 time points x 2 replicates"), std::string::npos) << s.out;
        fs::rename(d / "sim-scan", d / ("scan" + std::to_string(k)));
    }
    // The follower copies its leader: the top pair by dependence.
    EXPECT_NE(read_file(d / "scan1" / "pairs.tsv").find("\n1\tg1\tg2\t"), std::string::npos);

    // The same options give the same bytes, whatever the files are called.
    std::vector<std::string> again = args;
    again[2] = "again.tsv";
    again.insert(again.end(), {"--truth", "t.tsv", "--para", "dens/p", "--quiet"});
    fs::create_directory(d / "dens");
    r = run_program(d.path(), "", again);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(d / "again.tsv"), read_file(d / "sim.tsv"));
    EXPECT_EQ(read_file(d / "t.tsv"), truth);
    EXPECT_EQ(read_file(d / "dens" / "p2.txt"), read_file(d / "sim.para2.txt"));
}

TEST(SimulateCommand, NothingIsOverwrittenAndBadOptionsWriteNothing) {
    ScratchDir d;
    write_file(d / "sim.para2.txt", "mine");
    auto r = run_program(d.path(), "", {"simulate", "-o", "sim.tsv", "--genes", "4", "--time-points", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sim.para2.txt"), std::string::npos) << r.err;
    EXPECT_EQ(listing(d.path()), "sim.para2.txt ");
    EXPECT_EQ(read_file(d / "sim.para2.txt"), "mine");

    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--genes", "4", "--time-points", "3"}, "missing -o"},
        {{"-o", "x.tsv", "--genes", "4", "--time-points", "3", "--coupled", "3"}, "--coupled 3 needs 6 genes"},
        {{"-o", "x.tsv", "--genes", "4", "--time-points", "3", "--low", "2"}, "--low: \"2\" is not MEAN,SD"},
        {{"-o", "x.tsv", "--genes", "4", "--time-points", "3", "--high", "1,0.5"}, "must be below --high's"},
        {{"-o", "x.tsv", "--genes", "4", "--time-points", "3", "--switch", "0.3..x"}, "\"x\" is not a number"},
        {{"-o", "x.tsv", "--genes", "4", "--time-points", "3", "--phase", "half"}, "in, anti, mixed"},
        {{"-o", "x.tsv", "--genes", "4", "--time-points", "3", "--truth", "x.tsv"}, "x.tsv twice"},
    };
    for (const auto& [words, message] : bad) {
        std::vector<std::string> all = {"simulate"};
        all.insert(all.end(), words.begin(), words.end());
        r = run_program(d.path(), "", all);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("coswitch simulate --help"), std::string::npos) << r.err;
    }
    EXPECT_EQ(listing(d.path()), "sim.para2.txt ");

    r = run_program(d.path(), "", {"simulate", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--shared-course"), std::string::npos);
    r = run_program(d.path(), "", {"--help"});
    EXPECT_NE(r.out.find("\n  simulate "), std::string::npos);
}

}  // namespace
