#pragma once
// gzip-compressed input, decompressed in memory.
#include <string>

namespace coswitch {

// The text held in gzip data (concatenated members read one after the
// other). Corrupt, truncated or non-gzip data is a RunError naming `name`.
std::string gunzip(const std::string& data, const std::string& name);

}  // namespace coswitch
