#include "table/near_names.hpp"

#include <algorithm>
#include <utility>

namespace coswitch {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_but_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (lower(a[k]) != lower(b[k])) return false;
    return true;
}

std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string> near_names(const std::string& name, const std::vector<std::string>& ids,
                                    std::size_t most) {
    std::vector<std::string> out;
    for (const std::string& id : ids)
        if (out.size() < most && id != name && equal_but_case(id, name)) out.push_back(id);
    const std::size_t limit = std::max<std::size_t>(1, (name.size() + 2) / 3);
    std::vector<std::pair<std::size_t, std::size_t>> near;  // distance, index
    for (std::size_t k = 0; k < ids.size(); ++k) {
        if (equal_but_case(ids[k], name)) continue;
        // Lengths apart by more than the limit are farther than it.
        const std::size_t gap = ids[k].size() > name.size() ? ids[k].size() - name.size()
                                                            : name.size() - ids[k].size();
        if (gap > limit) continue;
        const std::size_t d = edit_distance(name, ids[k]);
        if (d <= limit) near.emplace_back(d, k);
    }
    std::stable_sort(near.begin(), near.end());
    for (const auto& [d, k] : near) {
        if (out.size() >= most) break;
        out.push_back(ids[k]);
    }
    return out;
}

}  // namespace coswitch
