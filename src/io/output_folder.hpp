#pragma once
// An output folder written under a temporary name beside its final one and
// moved into place only when complete, never over an existing file or
// folder: a run that fails, or is interrupted (see interrupts.hpp), leaves
// no half folder.
#include <string>

namespace coswitch {

class OutputFolder {
public:
    // Checks that `target` does not exist and that its parent is a folder;
    // creates the temporary folder. Throws RunError naming `target`.
    explicit OutputFolder(const std::string& target);
    ~OutputFolder();  // removes the temporary folder unless committed
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // A file's path inside the temporary folder.
    std::string path(const std::string& name) const;
    const std::string& temporary() const { return temp_; }
    const std::string& target() const { return target_; }

    // Moves the folder into place; throws (and keeps nothing) when the target
    // appeared meanwhile or the move fails.
    void commit();

private:
    std::string target_;
    std::string temp_;
    bool committed_ = false;
};

// Moves the folder `from` to `to` unless `to` exists; false (errno set) when
// it exists or the move fails.
bool rename_no_replace(const std::string& from, const std::string& to);

}  // namespace coswitch
