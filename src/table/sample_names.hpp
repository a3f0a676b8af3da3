#pragma once
// What sample names say about the design: time tokens, and --samples
// patterns built from the names.
//
// Why: without a design option every column is its own time point, and with
// --replicates R every R consecutive columns are one. Tables name their
// samples by time and replicate (ZT0_R1, ZT0_R2, 0h_A, sample97_t3), and a
// wrong design from column order runs silently and gives wrong answers. The
// names are read only to refuse such a design and suggest the right option
// (design_check.hpp), never to pick a design by themselves.
//
// A name splits into tokens at `_`, `-`, `.` and blanks (a `.` between
// digits stays: 1.5h is one token). A time token is a number with an
// optional time unit (0h, 30min, 1.5h, 10, 24hr, 3d) or a time prefix with a
// number (ZT0, CT12, t3, tp2, time5, day2, d3), in any case. A replicate
// token is a single letter or r, rep, replicate with a number (A, R1, rep2).
// Anything else (sample97, alpha7, cdc15, WT) is neither.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace coswitch {

struct NameTokens {
    std::vector<std::string> tokens;      // never empty strings
    std::vector<std::string> separators;  // tokens.size() + 1: before, between and after them
};

NameTokens split_sample_name(std::string_view name);

enum class TokenKind { Time, Replicate, Other };
TokenKind token_kind(std::string_view token);

// Each name's time tokens that tell names apart, as written: a token found
// unchanged in every name (a constant prefix such as d1_) is left out.
std::vector<std::vector<std::string>> distinct_time_tokens(const std::vector<std::string>& names);

// Whether two token lists share a time token (case ignored).
bool share_time_token(const std::vector<std::string>& a, const std::vector<std::string>& b);

// The first two names (indices, in order) that share a time token of
// distinct_time_tokens, and that token as the first name writes it.
struct SharedTime {
    std::size_t first = 0, second = 0;
    std::string time;
};
std::optional<SharedTime> shared_time_token(const std::vector<std::string>& names);

// --samples patterns (RE2 syntax, whole names) that may read these names as
// time x replicate, most likely first: the time captured at a token position
// that holds a time token with the same prefix and unit in every name, the
// replicate either captured (two groups) or numbered by order (one group).
// Only for names that split alike (same separators, same token count);
// otherwise none. Unverified: build the design
// to know.
std::vector<std::string> candidate_patterns(const std::vector<std::string>& names);

}  // namespace coswitch
