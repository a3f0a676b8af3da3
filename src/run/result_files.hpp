#pragma once
// The two result files: created exclusively at the start, written in pair
// order, checked on every write and on close. Not a TextOut (io/text_out.hpp):
// what a failed run wrote stays in them, to show how far it got, and a file
// that exists names the earlier run; a TextOut's file is discarded with its
// folder, and a NewFile (io/new_file.hpp) appears only when complete.
#include <cstdio>
#include <string>
#include <vector>

namespace coswitch {

extern const char* const kPvalueHeader;
extern const char* const kOutputHeader;

std::string output_record(int i, int j, int b, double nullstat, double nullcorr);
// The records of every bootstrap replicate of pair (i, j), b = 1, 2, ...
std::string output_records(int i, int j, const std::vector<double>& nullstat,
                           const std::vector<double>& nullcorr);
std::string pvalue_record(int i, int j, double res, float newpval, double corres, float corpval);

class ResultFile {
public:
    ResultFile() = default;
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;
    ~ResultFile();
    // Creates path, failing if it exists; name is what diagnostics show.
    void create(const std::string& path, const std::string& name);
    void write(const std::string& text);
    // Hands what was written to the file system now.
    void flush();
    void close();
    // Removes the file (only one this run created and nothing written to).
    void discard();

private:
    [[noreturn]] void fail(const char* what, int err);
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string name_;
};

}  // namespace coswitch
