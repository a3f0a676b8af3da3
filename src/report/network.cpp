#include "report/network.hpp"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "engine/pair_order.hpp"

namespace coswitch {
namespace {

using Index = std::size_t;

Index root_of(std::vector<Index>& parent, Index g) {
    while (parent[g] != g) {
        parent[g] = parent[parent[g]];  // halves the path for the next search
        g = parent[g];
    }
    return g;
}

}  // namespace

Network network_of(const PairResults& r, const RankedPairs& k, double fdr) {
    if (k.by != RankBy::dependence || !r.ranked)
        throw std::invalid_argument("network_of: the pairs must be ranked by dependence");
    const Index genes = r.names.size();
    Network net;
    net.fdr = fdr;
    net.degree.assign(genes, 0);
    std::vector<Index> parent(genes), size(genes, 1);  // genes from 0 here
    std::iota(parent.begin(), parent.end(), Index{0});
    // A NaN adjusted value fails the test: no p-value, no edge.
    net.edges = pairs_below_new(r, fdr, true);
    for (std::int64_t rank = 0; rank < net.edges; ++rank) {
        const GenePair p = pair_at(meta_value(r.records[static_cast<Index>(rank)].meta), r.genes());
        Index a = static_cast<Index>(p.i - 1), b = static_cast<Index>(p.j - 1);
        ++net.degree[a];
        ++net.degree[b];
        a = root_of(parent, a);
        b = root_of(parent, b);
        if (a != b) {
            if (size[a] < size[b]) std::swap(a, b);
            parent[b] = a;
            size[a] += size[b];
        }
    }
    // Components found in the order of their first gene, then ordered
    // stably by size.
    std::vector<Index> roots;
    std::vector<int> number(genes, 0);
    for (Index g = 0; g < genes; ++g) {
        if (net.degree[g] == 0) continue;
        const Index root = root_of(parent, g);
        if (number[root] == 0) {
            number[root] = 1;
            roots.push_back(root);
        }
    }
    std::stable_sort(roots.begin(), roots.end(),
                     [&](Index a, Index b) { return size[a] > size[b]; });
    for (Index m = 0; m < roots.size(); ++m) number[roots[m]] = static_cast<int>(m) + 1;
    net.module.assign(genes, 0);
    for (Index g = 0; g < genes; ++g)
        if (net.degree[g] > 0) net.module[g] = number[root_of(parent, g)];
    return net;
}

}  // namespace coswitch
