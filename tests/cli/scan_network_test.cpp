#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

// A table's rows as maps from its header's names to the cells.
std::vector<std::map<std::string, std::string>> records(const fs::path& file) {
    std::vector<std::map<std::string, std::string>> out;
    std::istringstream in(read_file(file));
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::istringstream cols(line);
        for (std::string c; std::getline(cols, c, '\t');) cells.push_back(c);
        if (names.empty()) {
            names = cells;
            continue;
        }
        std::map<std::string, std::string> row;
        for (std::size_t c = 0; c < names.size() && c < cells.size(); ++c) row[names[c]] = cells[c];
        out.push_back(row);
    }
    return out;
}

}  // namespace

TEST(ScanNetwork, EdgesAreThePairsPassingFdrAndNodesAreTheKeptGenes) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(10, 6, 2, 5));
    auto r = run_program(d.path(), "", {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "20",
                                        "--fdr", "0.3", "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pairs = records(d / "out" / "pairs.tsv");
    const auto edges = records(d / "out" / "edges.tsv");
    const auto nodes = records(d / "out" / "nodes.tsv");
    std::vector<std::map<std::string, std::string>> want;
    std::map<std::string, int> degree;
    for (const auto& p : pairs) {
        if (!(std::strtod(p.at("p_new_bh").c_str(), nullptr) <= 0.3)) continue;
        std::map<std::string, std::string> e;
        for (const char* c : {"gene1", "gene2", "stat_new", "p_new", "p_new_bh", "r", "phase",
                              "stat_corr", "p_corr_bh"})
            e[c] = p.at(c);
        want.push_back(e);
        ++degree[p.at("gene1")];
        ++degree[p.at("gene2")];
    }
    ASSERT_GT(want.size(), 0u);
    ASSERT_LT(want.size(), pairs.size());
    EXPECT_EQ(edges, want);

    // Every kept gene, with genes.tsv's densities and call; an edge's genes share a module.
    std::map<std::string, std::string> module;
    std::size_t kept = 0;
    for (const auto& g : records(d / "out" / "genes.tsv")) {
        if (g.at("status") != "kept") continue;
        ASSERT_LT(kept, nodes.size());
        const auto& n = nodes[kept++];
        EXPECT_EQ(n.at("gene"), g.at("gene"));
        for (const char* c : {"mean0", "sd0", "mean1", "sd1", "switching"}) EXPECT_EQ(n.at(c), g.at(c)) << c;
        EXPECT_EQ(n.at("degree"), std::to_string(degree[n.at("gene")])) << n.at("gene");
        EXPECT_EQ(n.at("module") == "0", degree[n.at("gene")] == 0) << n.at("gene");
        module[n.at("gene")] = n.at("module");
    }
    EXPECT_EQ(kept, nodes.size());
    for (const auto& e : edges) EXPECT_EQ(module[e.at("gene1")], module[e.at("gene2")]);
    const std::string graphml = read_file(d / "out" / "network.graphml");
    EXPECT_EQ(occurrences(graphml, "<node "), nodes.size());
    EXPECT_EQ(occurrences(graphml, "<edge "), edges.size());
    EXPECT_NE(read_file(d / "out" / "run.tsv").find("\nfdr\t0.3\n"), std::string::npos);

    // Densities given per time point belong to no gene.
    write_file(d / "p1.txt", "2 2.1 1.9 2 2.2 2\n0.6 0.5 0.6 0.7 0.6 0.5\n");
    write_file(d / "p2.txt", "5 5.1 4.9 5 5.2 5\n0.6 0.7 0.6 0.6 0.5 0.6\n");
    r = run_program(d.path(), "", {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "5",
                                   "--para1", "p1.txt", "--para2", "p2.txt", "--mode", "T",
                                   "--gzip", "-o", "out-t", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(d / "out-t" / "edges.tsv.gz"));
    for (const auto& n : records(d / "out-t" / "nodes.tsv"))
        for (const char* c : {"mean0", "sd0", "mean1", "sd1"}) EXPECT_EQ(n.at(c), "NA") << c;
    EXPECT_EQ(read_file(d / "out-t" / "network.graphml").find("key=\"mean0\">"), std::string::npos);

    for (const char* bad : {"1.5", "-0.01", "nan", "5%"}) {
        r = run_program(d.path(), "", {"scan", "table.tsv", "--fdr", bad, "-o", "out-bad"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("scan: option --fdr: \"" + std::string(bad) + "\" is not a number from 0 to 1"),
                  std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(d / "out-bad"));
}
