#include "table/input_file.hpp"

#include "io/files.hpp"
#include "table/gunzip.hpp"

namespace coswitch {
namespace {

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

InputText read_input_text(const std::string& path, const std::string& name) {
    InputText in;
    in.text = read_whole_file(path, name);
    in.file_bytes = in.text.size();
    if (ends_with(path, ".gz")) in.text = gunzip(in.text, name);
    return in;
}

}  // namespace coswitch
