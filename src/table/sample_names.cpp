#include "table/sample_names.hpp"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <set>

#include "table/name_pattern.hpp"

namespace coswitch {
namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_separator(char c) { return c == '_' || c == '-' || c == '.' || c == ' ' || c == '\t'; }

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool one_of(const std::string& word, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// A time token in three parts: letters, a number (1.5 too), letters.
struct TimeParts {
    std::string prefix, number, unit;
};

std::optional<TimeParts> time_parts(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && is_letter(t[i])) ++i;
    std::size_t j = i;
    while (j < t.size() && is_digit(t[j])) ++j;
    if (j == i) return std::nullopt;
    if (j + 1 < t.size() && t[j] == '.' && is_digit(t[j + 1])) {
        ++j;
        while (j < t.size() && is_digit(t[j])) ++j;
    }
    std::size_t k = j;
    while (k < t.size() && is_letter(t[k])) ++k;
    if (k != t.size()) return std::nullopt;
    TimeParts p{std::string(t.substr(0, i)), std::string(t.substr(i, j - i)),
                std::string(t.substr(j))};
    const std::string prefix = lower(p.prefix), unit = lower(p.unit);
    if (!prefix.empty() &&
        !one_of(prefix, {"zt", "ct", "t", "tp", "time", "timepoint", "day", "d", "wk", "week"}))
        return std::nullopt;
    if (!unit.empty() &&
        !one_of(unit, {"h",    "hr",     "hrs",     "hour", "hours", "m",    "min",
                       "mins", "minute", "minutes", "s",    "sec",   "secs", "d",
                       "day",  "days",   "w",       "wk",   "wks",   "week", "weeks"}))
        return std::nullopt;
    return p;
}

// A regex for the tokens of one position, capturing what tells them apart
// when `capture`: letters then digits (sample97: sample\d+), one letter,
// letters and digits, anything.
std::string shape(const std::vector<std::string>& tokens, bool capture) {
    auto letters = [](const std::string& t) {
        std::size_t i = 0;
        while (i < t.size() && is_letter(t[i])) ++i;
        return i;
    };
    const std::size_t n = letters(tokens[0]);
    const std::string head = tokens[0].substr(0, n);
    bool same_head = true, one_letter = true, alnum = true;
    for (const std::string& t : tokens) {
        const std::size_t k = letters(t);
        const bool digits_after =
            k < t.size() &&
            std::all_of(t.begin() + static_cast<std::ptrdiff_t>(k), t.end(), is_digit);
        same_head = same_head && digits_after && t.compare(0, k, head) == 0 && k == n;
        one_letter = one_letter && t.size() == 1 && is_letter(t[0]);
        alnum = alnum &&
                std::all_of(t.begin(), t.end(), [](char c) { return is_letter(c) || is_digit(c); });
    }
    auto group = [&](const std::string& re) { return capture ? "(" + re + ")" : re; };
    if (same_head) return literal_pattern(head) + group("\\d+");
    if (one_letter) return group("[A-Za-z]");
    if (alnum) return group("[A-Za-z0-9]+");
    return group(".+");
}

}  // namespace

NameTokens split_sample_name(std::string_view name) {
    NameTokens out;
    std::string token, separator;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool decimal_point = c == '.' && !token.empty() && is_digit(name[i - 1]) &&
                                   i + 1 < name.size() && is_digit(name[i + 1]);
        if (is_separator(c) && !decimal_point) {
            if (!token.empty()) {
                out.separators.push_back(separator);
                out.tokens.push_back(token);
                token.clear();
                separator.clear();
            }
            separator += c;
        } else {
            token += c;
        }
    }
    if (!token.empty()) {
        out.separators.push_back(separator);
        out.tokens.push_back(token);
        separator.clear();
    }
    out.separators.push_back(separator);
    return out;
}

TokenKind token_kind(std::string_view token) {
    if (time_parts(token)) return TokenKind::Time;
    if (token.size() == 1 && is_letter(token[0])) return TokenKind::Replicate;
    std::size_t i = 0;
    while (i < token.size() && is_letter(token[i])) ++i;
    if (i < token.size() && one_of(lower(token.substr(0, i)), {"r", "rep", "replicate"}) &&
        std::all_of(token.begin() + static_cast<std::ptrdiff_t>(i), token.end(), is_digit))
        return TokenKind::Replicate;
    return TokenKind::Other;
}

std::vector<std::vector<std::string>> distinct_time_tokens(const std::vector<std::string>& names) {
    std::vector<std::vector<std::string>> out;
    for (const std::string& name : names) {
        std::vector<std::string> times;
        std::set<std::string> seen;
        for (const std::string& t : split_sample_name(name).tokens)
            if (token_kind(t) == TokenKind::Time && seen.insert(lower(t)).second)
                times.push_back(t);
        out.push_back(std::move(times));
    }
    if (out.empty()) return out;
    std::vector<std::string> constant;  // in every name, unchanged
    for (const std::string& t : out[0])
        if (std::all_of(out.begin(), out.end(), [&](const std::vector<std::string>& ts) {
                return std::find(ts.begin(), ts.end(), t) != ts.end();
            }))
            constant.push_back(t);
    for (std::vector<std::string>& ts : out)
        std::erase_if(ts, [&](const std::string& t) {
            return std::find(constant.begin(), constant.end(), t) != constant.end();
        });
    return out;
}

bool share_time_token(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    for (const std::string& x : a)
        for (const std::string& y : b)
            if (lower(x) == lower(y)) return true;
    return false;
}

std::optional<SharedTime> shared_time_token(const std::vector<std::string>& names) {
    const auto times = distinct_time_tokens(names);
    std::map<std::string, std::size_t> first;  // lower-case token -> first name with it
    for (std::size_t i = 0; i < times.size(); ++i) {
        for (const std::string& t : times[i]) {
            const auto it = first.find(lower(t));
            if (it == first.end()) continue;
            for (const std::string& u : times[it->second])
                if (lower(u) == lower(t)) return SharedTime{it->second, i, u};
        }
        for (const std::string& t : times[i]) first.emplace(lower(t), i);
    }
    return std::nullopt;
}

std::vector<std::string> candidate_patterns(const std::vector<std::string>& names) {
    if (names.size() < 2) return {};
    std::vector<NameTokens> split;
    for (const std::string& name : names) {
        split.push_back(split_sample_name(name));
        if (split.back().tokens.empty() || split.back().separators != split[0].separators)
            return {};
    }
    const std::size_t positions = split[0].tokens.size();
    std::vector<std::vector<std::string>> column(positions);  // column[k][name]
    for (const NameTokens& s : split)
        for (std::size_t k = 0; k < positions; ++k) column[k].push_back(s.tokens[k]);
    std::vector<bool> constant(positions);
    for (std::size_t k = 0; k < positions; ++k)
        constant[k] = std::all_of(column[k].begin(), column[k].end(),
                                  [&](const std::string& t) { return t == column[k][0]; });

    // Positions that can hold the time: a time token in every name with one
    // prefix and one unit, so that the capture is the number alone.
    struct TimePosition {
        std::size_t k;
        bool affix;            // a prefix or a unit: surely a time
        std::size_t distinct;  // more values: more likely the time than the replicate
        std::string capture;
    };
    std::vector<TimePosition> times;
    for (std::size_t k = 0; k < positions; ++k) {
        if (constant[k]) continue;
        std::optional<TimeParts> first = time_parts(column[k][0]);
        bool fits = first.has_value(), decimal = false;
        std::set<std::string> values;
        for (const std::string& t : column[k]) {
            if (!fits) break;
            const std::optional<TimeParts> p = time_parts(t);
            fits = p && p->prefix == first->prefix && p->unit == first->unit;
            if (fits) {
                decimal = decimal || p->number.find('.') != std::string::npos;
                values.insert(lower(t));
            }
        }
        if (!fits) continue;
        times.push_back({k, !first->prefix.empty() || !first->unit.empty(), values.size(),
                         literal_pattern(first->prefix) + (decimal ? "(\\d+(?:\\.\\d+)?)" : "(\\d+)") +
                             literal_pattern(first->unit)});
    }
    std::stable_sort(times.begin(), times.end(), [](const TimePosition& a, const TimePosition& b) {
        if (a.affix != b.affix) return a.affix;
        return a.distinct > b.distinct;
    });

    const std::size_t none = positions;
    auto build = [&](const TimePosition& time, std::size_t replicate) {
        std::string re = literal_pattern(split[0].separators[0]);
        for (std::size_t k = 0; k < positions; ++k) {
            if (k == time.k)
                re += time.capture;
            else if (constant[k])
                re += literal_pattern(column[k][0]);
            else
                re += shape(column[k], k == replicate);
            re += literal_pattern(split[0].separators[k + 1]);
        }
        return re;
    };
    std::vector<std::string> out;
    auto add = [&](std::string re) {
        if (std::find(out.begin(), out.end(), re) == out.end()) out.push_back(std::move(re));
    };
    for (const TimePosition& time : times) {
        std::size_t varying = 0;
        for (std::size_t k = 0; k < positions; ++k) varying += !constant[k] && k != time.k;
        // Two groups need the replicate after the time; a replicate before it
        // is numbered by order (one group).
        for (std::size_t q = time.k + 1; q < positions; ++q) {
            if (constant[q]) continue;
            const bool replicates = std::all_of(
                column[q].begin(), column[q].end(),
                [](const std::string& t) { return token_kind(t) == TokenKind::Replicate; });
            if (varying == 1 || replicates) add(build(time, q));
        }
        add(build(time, none));
    }
    return out;
}

}  // namespace coswitch
