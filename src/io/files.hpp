#pragma once
// Where the program's files are and how they are read.
#include <string>

namespace coswitch {

// name inside dir; name itself when dir is empty (the current directory) or
// name is an absolute path.
std::string path_in(const std::string& dir, const std::string& name);

// The whole file at path; throws RunError naming it (as name) when it is
// missing or cannot be read.
std::string read_whole_file(const std::string& path, const std::string& name);

}  // namespace coswitch
