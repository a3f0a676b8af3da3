#pragma once
// What the dependence statistic must give when every observation's weight
// falls on one cell only (densities so narrow that the other cells' weights
// are exactly 0): the expected joint transitions are then the observed ones,
// and the statistic is the plain chi-square of the transition counts against
// the product of the two genes' margins. Worked here from the cells alone,
// without the fit.
#include <cmath>
#include <vector>

#include "numeric/array.hpp"

namespace coswitch::testing {

struct HardFit {
    double stat = 0;
    Table4 nullmat;
    Vec4 pivec{};
};

// cells[r][t]: the cell (1 to 4) of replicate r at time t.
inline HardFit hard_fit(const std::vector<std::vector<int>>& cells) {
    double c[4][4] = {}, na[2][2] = {}, nb[2][2] = {}, m = 0;
    HardFit h;
    for (const auto& row : cells) {
        h.pivec[static_cast<std::size_t>(row[0] - 1)] += 1.0 / static_cast<double>(cells.size());
        for (std::size_t t = 1; t < row.size(); ++t) {
            const int j = row[t - 1] - 1, k = row[t] - 1;
            c[j][k] += 1;
            na[j / 2][k / 2] += 1;  // first gene: the cell's slow half
            nb[j % 2][k % 2] += 1;  // second gene: the fast one
            m += 1;
        }
    }
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) {
            const double e = na[j / 2][k / 2] * nb[j % 2][k % 2] / m;
            if (e > 0) h.stat += (c[j][k] - e) * (c[j][k] - e) / e;  // else no count either
            h.nullmat(j + 1, k + 1) = e / m;
        }
    return h;
}

}  // namespace coswitch::testing
