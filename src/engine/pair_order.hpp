#pragma once
// The fixed order of gene pairs: (1,2), (1,3), ..., (1,G), (2,3), ...; pair
// n (from 0) is the n-th in that order. Counts are 64-bit: a genome has
// tens of millions of pairs.
#include <cstdint>

namespace coswitch {

struct GenePair {
    int i = 0, j = 0;  // genes, 1-based, i < j
};

// Pairs of g genes: g(g-1)/2, and 0 for fewer than two genes.
std::int64_t pair_count(std::int64_t genes);

// Position of (i, j) in the order, for 1 <= i < j <= genes.
std::int64_t pair_index(int i, int j, int genes);

// The pair at position n, for 0 <= n < pair_count(genes).
GenePair pair_at(std::int64_t n, int genes);

// The pair after p in the order (meaningless after the last).
inline GenePair next_pair(GenePair p, int genes) {
    if (p.j < genes) return {p.i, p.j + 1};
    return {p.i + 1, p.i + 2};
}

}  // namespace coswitch
