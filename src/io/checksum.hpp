#pragma once
// A file's SHA-256, as `sha256sum` prints it, so that a run's record names
// exactly which table it read.
#include <string>

namespace coswitch {

// Lower-case hex digest of the bytes of the file at path; throws RunError
// naming `name` when it cannot be read.
std::string file_sha256(const std::string& path, const std::string& name);

}  // namespace coswitch
