#pragma once
// A text file written piece by piece, plain or gzip-compressed; every write
// and the close are checked, and a failure names the file.
#include <string>
#include <string_view>

#include "io/new_file.hpp"

namespace coswitch {

class TextOut {
public:
    TextOut() = default;
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;
    // Closes without checks when still open (after a failure elsewhere).
    ~TextOut();

    // Creates path, failing if it exists; name is what diagnostics show.
    void create(const std::string& path, const std::string& name, bool gzip = false);
    // Writes to a descriptor the caller keeps open (standard output, say).
    void attach(int fd, const std::string& name, bool gzip = false);

    void write(std::string_view text);
    // Flushes and closes; throws RunError(kExitFiles, ...) when anything
    // written is not safely out.
    void close();
    // Removes a file create() made; the descriptor of attach() is left alone.
    void discard();

    const std::string& name() const { return name_; }

private:
    void open_gzip(int fd);
    void flush();
    [[noreturn]] void fail(const std::string& what, int err);

    int fd_ = -1;
    void* gz_ = nullptr;  // gzFile when compressing
    bool owns_fd_ = false;
    std::string buffer_;
    std::string path_;
    std::string name_;
};

// Creates `file` in the new folder (messages name it as folder/file).
void create_in(TextOut& out, const NewDirectory& folder, const std::string& file, bool gzip = false);

// A whole text as the new file `file` of the folder.
void write_folder_file(const NewDirectory& folder, const std::string& file, const std::string& text);

}  // namespace coswitch
