#include "table/columns.hpp"

#include "io/errors.hpp"
#include "table/name_pattern.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw RunError(kExitInput, "--columns: " + what);
}

// Index of the one column called name; npos when there is none.
std::size_t find_column(const NamedTable& t, const std::string& name) {
    std::size_t found = std::string::npos;
    for (std::size_t s = 0; s < t.samples.size(); ++s) {
        if (t.samples[s] != name) continue;
        if (found != std::string::npos)
            fail(quoted(name) + " names columns " + std::to_string(found + 2) + " and " +
                 std::to_string(s + 2) + " of " + t.name);
        found = s;
    }
    return found;
}

void add_regex(const NamedTable& t, const std::string& pattern, std::vector<std::size_t>& out) {
    const NamePattern re(pattern);
    if (!re.error().empty()) fail("bad pattern " + quoted(pattern) + ": " + pattern_error_text(re));
    const std::size_t before = out.size();
    for (std::size_t s = 0; s < t.samples.size(); ++s)
        if (re.whole_match(t.samples[s])) out.push_back(s);
    if (out.size() == before)
        fail("pattern " + quoted(pattern) + " matches no column of " + t.name);
}

}  // namespace

std::vector<std::size_t> select_columns(const NamedTable& t, const std::string& list) {
    std::vector<std::size_t> out;
    if (list.empty()) {
        for (std::size_t s = 0; s < t.samples.size(); ++s) out.push_back(s);
        return out;
    }
    std::vector<std::string> unknown;
    std::size_t pos = 0;
    for (;;) {
        if (list[pos] == '~') {
            add_regex(t, list.substr(pos + 1), out);
            break;
        }
        std::size_t comma = list.find(',', pos);
        if (comma == std::string::npos) comma = list.size();
        const std::string item = list.substr(pos, comma - pos);
        if (item.empty()) fail("empty item in " + quoted(list));
        const std::size_t dots = item.find("..");
        std::size_t s = find_column(t, item);
        if (s != std::string::npos) {
            out.push_back(s);
        } else if (dots != std::string::npos) {
            const std::string first = item.substr(0, dots);
            const std::string last = item.substr(dots + 2);
            const std::size_t a = find_column(t, first);
            const std::size_t b = find_column(t, last);
            if (a == std::string::npos) unknown.push_back(first);
            if (b == std::string::npos) unknown.push_back(last);
            if (a != std::string::npos && b != std::string::npos) {
                if (b < a)
                    fail("range " + quoted(item) + " runs backwards: " + quoted(last) +
                         " comes before " + quoted(first) + " in " + t.name);
                for (std::size_t k = a; k <= b; ++k) out.push_back(k);
            }
        } else {
            unknown.push_back(item);
        }
        if (comma == list.size()) break;
        pos = comma + 1;  // a trailing comma leaves an empty item
    }
    if (!unknown.empty()) {
        std::string list;
        // A message is one short line, however long LIST is.
        for (std::size_t k = 0; k < unknown.size(); ++k) {
            const std::string item = (list.empty() ? "" : ", ") + quoted(unknown[k]);
            if (k > 0 && list.size() + item.size() > 200) {
                list += " and " + std::to_string(unknown.size() - k) + " more";
                break;
            }
            list += item;
        }
        fail("no column named " + list + " in " + t.name);
    }
    std::vector<bool> taken(t.samples.size(), false);
    for (std::size_t s : out) {
        if (taken[s]) fail(describe_column(t, s) + " is selected twice");
        taken[s] = true;
    }
    return out;
}

}  // namespace coswitch
