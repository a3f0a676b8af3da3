#pragma once
// Files and folders that appear under their names only when complete.
//
// A NewFile is written under a temporary name in the directory of its final
// path and moved into place by commit(), which never replaces an existing
// file: if one appeared in the meantime, commit() fails and the temporary is
// removed. A NewFile that is destroyed, or fails, before commit() leaves
// nothing behind. Every failure is a RunError(kExitFiles, ...) naming the
// file as its `name`.
//
//     NewFile f;
//     f.open(path_in(dir, "a.tsv"), shown_name);  // fails at once if a.tsv exists
//     f.write(text);
//     f.commit();                                 // a.tsv appears, complete
//
// Several files that must appear together go through commit_together(),
// which takes back the ones already placed when a later one fails.
//
// A NewDirectory is the same for a whole folder: files are written into
// path() (a temporary folder beside the final one) and commit() renames it
// into place without replacing an existing file or folder; until then it and
// everything in it are removed on destruction, and when the process is
// interrupted (see unfinished_folder.hpp). Folders that belong together go
// through commit_folders_together(), which places all or none of them.
//
// Temporary names are never longer than the file system allows a name to
// be, so that any name that may be created may be created this way too.
#include <string>
#include <string_view>
#include <vector>

namespace coswitch {

class NewFile {
public:
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();

    // Creates the temporary beside path; fails if path exists already.
    void open(const std::string& path, const std::string& name);
    // Each write is one system call: hand over large pieces.
    void write(std::string_view text);
    // Completes the temporary (flushed to disk, closed) and gives it its
    // name; fails, removing the temporary, if that name exists by now.
    void commit();
    // Removes a committed file again, if it is still the one this wrote.
    void take_back();

    const std::string& name() const { return name_; }

private:
    [[noreturn]] void fail(const std::string& what, int err);
    void remove_temporary();
    int fd_ = -1;
    int held_ = -1;  // the committed file, read-only
    std::string path_;
    std::string temporary_;
    std::string name_;
    bool committed_ = false;
    unsigned long long device_ = 0, inode_ = 0;  // of the committed file
};

// Commits the files in order; if one fails, those already committed are
// taken back before the failure goes on, so that none of them stays.
void commit_together(const std::vector<NewFile*>& files);

class NewDirectory {
public:
    NewDirectory() = default;
    NewDirectory(const NewDirectory&) = delete;
    NewDirectory& operator=(const NewDirectory&) = delete;
    ~NewDirectory();

    // Creates an empty temporary folder beside path; fails if path exists.
    // Trailing slashes of path are taken as naming the folder itself.
    void open(const std::string& path, const std::string& name);
    // The temporary folder, to write the files into.
    const std::string& path() const { return temporary_; }
    // A file's path inside it.
    std::string path(const std::string& file) const { return temporary_ + "/" + file; }
    // The final path, as messages show it.
    const std::string& name() const { return name_; }
    // Renames the temporary folder to its final path, never replacing
    // anything; on failure the temporary folder stays until destruction.
    void commit();

private:
    friend void commit_folders_together(const std::vector<NewDirectory*>& folders);
    int place();          // 0, or the error; with the registry held
    void take_back();     // back to the temporary name, when still this folder
    std::string path_;
    std::string temporary_;
    std::string name_;
    bool committed_ = false;
    unsigned long long device_ = 0, inode_ = 0;  // of the temporary folder
};

// Commits the folders in order, or none of them: when one cannot be placed,
// those placed before it go back to their temporary names (and are removed
// with their NewDirectory), and the failure goes on. No interruption comes
// between them.
void commit_folders_together(const std::vector<NewDirectory*>& folders);

// path without the slashes that end it ("out/" is "out"), but "/" itself.
std::string without_trailing_slashes(const std::string& path);

// Whether two paths to be created name one place: the same last name in one
// directory, however written ("out", "out/", "./out", "/home/me/out").
bool names_one_place(const std::string& a, const std::string& b);

// A free-looking temporary name beside path (for attempt 0, 1, ... until one
// is free): hidden, recognisably from path's name, in the same directory so
// that a rename to path stays on one file system, and no longer than a name
// may be there.
std::string temporary_name_beside(const std::string& path, unsigned attempt);

// Renames the folder `from` to `to` unless `to` exists (a file or a folder,
// empty or not); never replaces it. Throws RunError(kExitFiles, ...) naming
// `name` when `to` exists or the rename fails.
void rename_directory_into_place(const std::string& from, const std::string& to,
                                 const std::string& name);

}  // namespace coswitch
