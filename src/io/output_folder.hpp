#pragma once
// An output folder written under a temporary name beside its final one and
// moved into place only when complete, never over an existing file or
// folder: a run that fails, or is interrupted, leaves no half folder.
#include <atomic>
#include <string>
#include <thread>

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
    const std::string& target() const { return target_; }

    // Moves the folder into place; throws (and keeps nothing) when the target
    // appeared meanwhile or the move fails.
    void commit();

private:
    void watch_signals();
    void stop_watching();

    std::string target_;
    std::string temp_;
    bool committed_ = false;
    std::thread watcher_;  // removes the folder on SIGINT, SIGTERM or SIGHUP
    std::atomic<bool> stop_{false};
};

// Moves the folder `from` to `to` unless `to` exists; false (errno set) when
// it exists or the move fails.
bool rename_no_replace(const std::string& from, const std::string& to);

}  // namespace coswitch
