#pragma once
// The ids a mistyped name probably meant, for messages that suggest them.
#include <cstddef>
#include <string>
#include <vector>

namespace coswitch {

// First the ids equal to name but for case (ASCII letters), then the
// nearest by edit distance (insertions, deletions, substitutions of bytes),
// when no farther than about a third of the name; ties in id order; at most
// `most` in all.
std::vector<std::string> near_names(const std::string& name, const std::vector<std::string>& ids,
                                    std::size_t most = 3);

}  // namespace coswitch
