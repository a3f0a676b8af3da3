#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/pair_order.hpp"
#include "io/text_out.hpp"
#include "report/edges_tsv.hpp"
#include "report/network.hpp"
#include "report/network_graphml.hpp"
#include "report/nodes_tsv.hpp"
#include "report/pairs_tsv.hpp"
#include "report/text.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::vector<std::string>> rows_of(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::istringstream cols(line);
        for (std::string c; std::getline(cols, c, '\t');) cells.push_back(c);
        rows.push_back(cells);
    }
    return rows;
}

// Nine genes; the pairs below pass a small level, everything else has p near 0.4. In
// rank order (4,8) (5,7) (1,6) (2,5) (3,4) (3,8): modules {2,5,7} and {3,4,8}
// of three genes, {1,6} of two, and gene 9 alone; (3,8) closes a cycle.
PlainPairs nine_genes() {
    const int G = 9;
    PlainPairs r;
    for (int g = 1; g <= G; ++g) r.names.push_back("g" + std::to_string(g));
    r.switching = {1, 0, 1, 1, 0, 0, 1, 1, 0};
    const auto n = static_cast<std::size_t>(pair_count(G));
    r.M = 100000;
    r.stat_new.assign(n, 1.5);
    r.r.assign(n, -0.25);
    r.phase.assign(n, -1);
    r.count_corr.assign(n, 5000);
    for (std::size_t u = 0; u < n; ++u) r.count_new.push_back(40000 + static_cast<std::int64_t>(u) * 100);
    const int edges[6][3] = {{4, 8, 0}, {5, 7, 1}, {1, 6, 2}, {2, 5, 3}, {3, 4, 4}, {3, 8, 10}};
    for (const auto& e : edges) {
        const auto u = static_cast<std::size_t>(pair_index(e[0], e[1], G));
        r.count_new[u] = e[2];
        r.stat_new[u] = 30 - e[2];
        r.phase[u] = 1;
    }
    return r;
}

template <class Write>
std::string written(const fs::path& file, Write write) {
    TextOut out;
    out.create(file.string(), file.filename().string());
    write(out);
    out.close();
    return read_file(file);
}

}  // namespace

TEST(Network, DegreesAndModulesOfThePairsPassingTheLevel) {
    ScratchDir d;
    const PlainPairs plain = nine_genes();
    PairResults r = pair_results(plain);
    const RankedPairs k = rank_pairs(r);
    Network net = network_of(r, k, 0.05);
    EXPECT_EQ(net.edges, 6);
    EXPECT_EQ(net.degree, (std::vector<int>{1, 1, 2, 2, 2, 1, 1, 2, 0}));
    // Larger first, then the one with the first gene; not the one ranked first.
    EXPECT_EQ(net.module, (std::vector<int>{3, 1, 2, 2, 1, 3, 1, 2, 0}));

    const std::vector<GeneDensities> densities(9, GeneDensities{1, 0.5, 3, 0.25});
    const auto nodes = rows_of(written(d / "nodes.tsv", [&](TextOut& o) { write_nodes_tsv(o, r, net, densities); }));
    ASSERT_EQ(nodes.size(), 10u);
    EXPECT_EQ(nodes[1], (std::vector<std::string>{"g1", "1", "3", "1", "0.5", "3", "0.25", "yes"}));
    EXPECT_EQ(nodes[9], (std::vector<std::string>{"g9", "0", "0", "1", "0.5", "3", "0.25", "no"}));
    const auto no_densities = rows_of(written(d / "t.tsv", [&](TextOut& o) { write_nodes_tsv(o, r, net, {}); }));
    EXPECT_EQ(no_densities[3], (std::vector<std::string>{"g3", "2", "2", "NA", "NA", "NA", "NA", "yes"}));

    // "At most": a level equal to the last edge's adjusted value keeps it; a
    // hair below drops it, and the cycle's end leaves the modules as they are.
    const double last = values_of_pair(r, pair_index(3, 8, 9)).bh_new;
    EXPECT_EQ(network_of(r, k, last).edges, 6);
    net = network_of(r, k, std::nextafter(last, 0.0));
    EXPECT_EQ(net.edges, 5);
    EXPECT_EQ(net.degree, (std::vector<int>{1, 1, 1, 2, 2, 1, 1, 1, 0}));
    EXPECT_EQ(net.module, (std::vector<int>{3, 1, 2, 2, 1, 3, 1, 2, 0}));

    // Every pair at level 1, none at 0 (no p-value is 0) nor without replicates.
    net = network_of(r, k, 1.0);
    EXPECT_EQ(net.edges, 36);
    EXPECT_EQ(net.degree, std::vector<int>(9, 8));
    EXPECT_EQ(net.module, std::vector<int>(9, 1));
    net = network_of(r, k, 0.0);
    EXPECT_EQ(net.edges, 0);
    EXPECT_EQ(net.module, std::vector<int>(9, 0));
    PlainPairs none = plain;
    none.M = 0;
    none.count_new = none.count_corr = std::vector<std::int64_t>(36, 0);
    PairResults unranked = pair_results(none);
    // Edges are a prefix only of the dependence ranking, once it is made.
    EXPECT_THROW(network_of(unranked, k, 1.0), std::invalid_argument);
    RankedPairs by_corr;
    by_corr.by = RankBy::correlation;
    EXPECT_THROW(network_of(r, by_corr, 0.05), std::invalid_argument);
    EXPECT_EQ(network_of(unranked, rank_pairs(unranked), 1.0).edges, 0);
}

// edges.tsv is pairs.tsv filtered by p_new_bh and cut to its columns, at
// every level, with ties, NaN and infinite statistics among the pairs.
TEST(Network, EdgesAreThePairsTsvRowsPassingTheLevel) {
    ScratchDir d;
    const int G = 12;
    // splitmix64: the same draws from every standard library.
    std::uint64_t state = 7;
    auto rng = [&] {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    auto unit = [&] { return static_cast<double>(rng() >> 11) * 0x1p-52 - 1.0; };  // [-1, 1)
    PlainPairs p;
    PlainPairs& r = p;
    for (int g = 1; g <= G; ++g) r.names.push_back("gene " + std::to_string(g));
    r.switching.assign(G, 0);
    r.M = 5000;
    const std::int64_t counts[] = {0, 0, 1, 3, 3, 20, 150, 900, 2500, 4999};
    for (std::int64_t n = 0; n < pair_count(G); ++n) {
        r.count_new.push_back(counts[rng() % 10]);
        r.count_corr.push_back(counts[rng() % 10]);
        const double s = 40 * std::abs(unit());
        r.stat_new.push_back(n % 17 == 3 ? NAN : n % 19 == 5 ? INFINITY : s);
        r.r.push_back(unit());
        r.phase.push_back(static_cast<std::int8_t>(static_cast<int>(rng() % 3) - 1));
    }
    PairResults results = pair_results(p);
    const RankedPairs k = rank_pairs(results);
    const auto pairs = rows_of(written(d / "pairs.tsv", [&](TextOut& o) { write_pairs_tsv(o, results, k); }));
    std::vector<double> bh_new;  // in rank order
    for_each_pair(results, 0, results.pairs(), [&](const PairValues& v) { bh_new.push_back(v.bh_new); });
    // rank gene1 gene2 stat_new p_new p_new_bh stat_corr p_corr p_corr_bh r phase ...
    const int kept_columns[] = {1, 2, 3, 4, 5, 9, 10, 6, 8};
    // One level equal to an adjusted value: "at most" keeps its pairs.
    const double exact = bh_new[10];
    for (const double q : {0.0, 0.0004, 0.003, exact, 0.05, 0.3, 1.0}) {
        std::vector<std::vector<std::string>> want = {rows_of(kEdgesHeader)[0]};
        std::vector<int> degree(G, 0);
        // The rows in rank order, selected by their exact adjusted values
        // (the table prints 6 significant digits of them).
        for (std::size_t row = 1; row < pairs.size(); ++row) {
            if (!(bh_new[row - 1] <= q)) continue;
            std::vector<std::string> cells;
            for (const int c : kept_columns) cells.push_back(pairs[row][static_cast<std::size_t>(c)]);
            want.push_back(cells);
            for (int g = 0; g < G; ++g)
                if (cells[0] == r.names[static_cast<std::size_t>(g)] || cells[1] == r.names[static_cast<std::size_t>(g)])
                    ++degree[static_cast<std::size_t>(g)];
        }
        const Network net = network_of(results, k, q);
        EXPECT_EQ(rows_of(written(d / "edges.tsv", [&](TextOut& o) { write_edges_tsv(o, results, k, net); })), want) << q;
        EXPECT_EQ(net.degree, degree) << q;
        fs::remove(d / "edges.tsv");
    }
    EXPECT_EQ(network_of(results, k, 0.0).edges, 0);
    EXPECT_EQ(network_of(results, k, 1.0).edges, pair_count(G));
}

namespace {

// Ids with markup characters, quotes, letters beyond ASCII, and bytes no XML can hold.
const std::vector<std::string> kOddIds = {"a<b&c", "say \"hi\"", "it's", "Z\xC3\xBCrich-\xCE\xB2",
                                          "x>y", "ctl\x01z", "bad\xFF"};
// What a reader of the XML sees for each.
const std::vector<std::string> kOddIdsRead = {"a<b&c", "say \"hi\"", "it's", "Z\xC3\xBCrich-\xCE\xB2",
                                              "x>y", "ctl\\x01z", "bad\\xff"};

// The three network files of a small example with kOddIds, at level 0.05.
struct OddNetwork {
    ScratchDir d;
    PairResults r;
    Network net;
    OddNetwork() {
        PlainPairs plain = nine_genes();
        plain.names = kOddIds;
        plain.names.insert(plain.names.end(), {"h8", "h9"});
        r = pair_results(plain);
        const RankedPairs k = rank_pairs(r);
        net = network_of(r, k, 0.05);
        const std::vector<GeneDensities> densities(9, GeneDensities{1, 0.5, 3, 0.25});
        written(d / "network.graphml", [&](TextOut& o) { write_network_graphml(o, r, k, net, densities); });
        written(d / "edges.tsv", [&](TextOut& o) { write_edges_tsv(o, r, k, net); });
        written(d / "nodes.tsv", [&](TextOut& o) { write_nodes_tsv(o, r, net, densities); });
    }
};

std::string hex(const std::string& s) {
    std::string out;
    char buf[3];
    for (const unsigned char c : s) {
        std::snprintf(buf, sizeof buf, "%02x", c);
        out += buf;
    }
    return out;
}

bool have(const char* tool) {
    return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

TEST(Network, GraphmlIsWellFormedWithOddIds) {
    // Tab, LF and CR survive attribute values only as references.
    EXPECT_EQ(xml_escape("a\tb\nc\r<\xEF\xBF\xBF"), "a&#9;b&#10;c&#13;&lt;\\xef\\xbf\\xbf");
    if (!have("xmllint")) GTEST_SKIP() << "xmllint not installed";
    OddNetwork n;
    EXPECT_EQ(std::system(("xmllint --noout '" + (n.d / "network.graphml").string() + "'").c_str()), 0);
}

// A reader sees the nodes of nodes.tsv and the edges of edges.tsv, every
// attribute declared for its element and readable as its type.
TEST(Network, GraphmlReadsBackAsTheTables) {
    if (!have("python3")) GTEST_SKIP() << "python3 not installed";
    OddNetwork n;
    write_file(n.d / "read.py", R"(import sys, xml.etree.ElementTree as ET
ns = '{http://graphml.graphdrawing.org/xmlns}'
root = ET.parse(sys.argv[1]).getroot()
keys = {k.get('id'): (k.get('for'), k.get('attr.type')) for k in root.findall(ns + 'key')}
conv = {'int': int, 'double': float, 'string': str}
graph = root.find(ns + 'graph')
print(graph.get('edgedefault'))
for element in graph:
    kind = element.tag[len(ns):]
    data = {}
    for x in element.findall(ns + 'data'):
        where, type_ = keys[x.get('key')]
        assert where == kind, (x.get('key'), kind)
        data[x.get('key')] = conv[type_](x.text)
    hexed = lambda a: element.get(a).encode('utf-8').hex()
    if kind == 'node':
        print('node', hexed('id'), data['degree'], data['module'], data['sd1'], data['switching'])
    elif kind == 'edge':
        print('edge', hexed('source'), hexed('target'), data['p_new_bh'] <= 0.05, data['phase'])
)");
    FILE* p = ::popen(("python3 '" + (n.d / "read.py").string() + "' '" +
                       (n.d / "network.graphml").string() + "' 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) text += buf;
    EXPECT_EQ(::pclose(p), 0) << text;

    std::vector<std::string> read = kOddIdsRead;
    read.insert(read.end(), {"h8", "h9"});
    const auto nodes = rows_of(read_file(n.d / "nodes.tsv"));
    const auto edges = rows_of(read_file(n.d / "edges.tsv"));
    std::string want = "undirected\n";
    for (std::size_t g = 0; g < read.size(); ++g)
        want += "node " + hex(read[g]) + " " + nodes[g + 1][1] + " " + nodes[g + 1][2] + " 0.25 " +
                nodes[g + 1][7] + "\n";
    for (std::size_t e = 1; e < edges.size(); ++e) {
        std::size_t i = 0, j = 0;
        for (std::size_t g = 0; g < kOddIds.size() + 2; ++g) {
            if (n.r.names[g] == edges[e][0]) i = g;
            if (n.r.names[g] == edges[e][1]) j = g;
        }
        want += "edge " + hex(read[i]) + " " + hex(read[j]) + " True " + edges[e][6] + "\n";
    }
    EXPECT_EQ(nodes.size(), 10u);
    EXPECT_EQ(edges.size(), 7u);
    EXPECT_EQ(text, want);
}
