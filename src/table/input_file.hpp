#pragma once
// The text of an input file named on the command line, gzip or not.
#include <cstdint>
#include <string>

namespace coswitch {

struct InputText {
    std::string text;              // decompressed when the file is gzip
    std::uint64_t file_bytes = 0;  // size of the file as stored
};

// The whole regular file (read_whole_file: only regular files, errors naming
// `name`), then gunzipped when path ends in ".gz".
InputText read_input_text(const std::string& path, const std::string& name);

}  // namespace coswitch
