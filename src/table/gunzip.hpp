#pragma once
// gzip-compressed input, decompressed in memory.
#include <functional>
#include <string>
#include <string_view>

namespace coswitch {

// The text held in gzip data (concatenated members read one after the
// other). Corrupt, truncated or non-gzip data is a RunError naming `name`.
// each_piece sees the text as it expands, before it is kept, and may stop
// the expansion by throwing.
std::string gunzip(const std::string& data, const std::string& name,
                   const std::function<void(std::string_view)>& each_piece = {});

}  // namespace coswitch
