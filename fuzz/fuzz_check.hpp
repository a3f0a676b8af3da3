#pragma once
// What every diagnostic must be, whatever the input: an input error, one
// short line of plain text.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/errors.hpp"

namespace coswitch::fuzz {

inline void require(bool ok, const char* what, const std::string& detail = {}) {
    if (ok) return;
    std::fprintf(stderr, "broken: %s %s\n", what, detail.c_str());
    std::abort();
}

inline void check_diagnostic(const RunError& e) {
    const std::string m = e.what();
    require(e.status == kExitInput, "status", m);
    require(!m.empty() && m.size() <= 400, "length", m.substr(0, 400));
    for (unsigned char c : m) require(c >= 0x20 && c != 0x7F, "control character", m);
}

}  // namespace coswitch::fuzz
