#include "report/pair_notes.hpp"

namespace coswitch {

std::string PairNotes::note(int i, int j, double r) const {
    if (r == r || !active() || (!in_->has_gaps(i) && !in_->has_gaps(j))) return "";
    const int rows = p_->NTIME * p_->NREP;
    int both = 0;
    bool varies[2] = {false, false};
    double first[2] = {0, 0};
    for (int m = 1; m <= rows; ++m) {
        const double a = in_->MODTCELL44(m, i), b = in_->MODTCELL44(m, j);
        if (a != a || b != b) continue;
        if (both++ == 0) {
            first[0] = a;
            first[1] = b;
        }
        varies[0] = varies[0] || a != first[0];
        varies[1] = varies[1] || b != first[1];
    }
    if (both < 3)
        return "r: " + std::to_string(both) + (both == 1 ? " sample" : " samples") +
               " with both values (needs 3)";
    if (!varies[0] || !varies[1])
        return "r: no variation in the " + std::to_string(both) + " samples with both values";
    return "";
}

}  // namespace coswitch
