#pragma once
// Where the program's files are and how they are read.
#include <string>

namespace coswitch {

// name inside dir; name itself when dir is empty (the current directory) or
// name is an absolute path.
std::string path_in(const std::string& dir, const std::string& name);

// Throws RunError(kExitInput, ...) naming dir unless it is a directory that
// exists (the directory of option -C).
void require_directory(const std::string& dir);

// The whole file at path; throws RunError naming it (as name) when it is
// missing, cannot be read, or is not a regular file (a directory, a pipe, a
// device): status 2, or 1 when memory runs out.
std::string read_whole_file(const std::string& path, const std::string& name);

}  // namespace coswitch
