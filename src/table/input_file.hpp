#pragma once
// The bytes and text of an input file named on the command line.
#include <cstdint>
#include <string>

namespace coswitch {

// The whole content of the regular file at path. Errors (RunError, input
// status) name the file as `name`: not found, not a regular file (a
// directory, FIFO, device or socket is refused without waiting on it),
// unreadable, or too large for memory.
std::string read_regular_file(const std::string& path, const std::string& name);

struct InputText {
    std::string text;              // decompressed when the file is gzip
    std::uint64_t file_bytes = 0;  // size of the file as stored
};

// read_regular_file, then gunzip when path ends in ".gz".
InputText read_input_text(const std::string& path, const std::string& name);

}  // namespace coswitch
