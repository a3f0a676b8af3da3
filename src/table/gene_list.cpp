#include "table/gene_list.hpp"

#include "io/errors.hpp"
#include "table/delimited.hpp"
#include "table/input_file.hpp"

namespace coswitch {

GeneList read_gene_list(const std::string& path, const std::string& shown_name) {
    GeneList list;
    list.name = shown_name;
    list.may_have_header = true;
    const InputText in = read_input_text(path, shown_name);
    LineCursor cursor(in.text);
    std::string_view line;
    while (cursor.next(line)) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        const std::size_t last = line.find_last_not_of(" \t");
        list.ids.emplace_back(line.substr(first, last - first + 1));
        list.lines.push_back(cursor.line_number());
    }
    if (list.ids.empty()) throw RunError(kExitInput, shown_name + ": no gene ids in the list");
    return list;
}

}  // namespace coswitch
