#include "run/result_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/errors.hpp"
#include "run/format.hpp"

namespace coswitch {

const char* const kPvalueHeader =
    "    Gene1    Gene2    observed stat new    newpvalue    observed stat corr    corrpvalue\n";
const char* const kOutputHeader =
    "    Gene1    Gene2         B         nullstat         nullcorr\n";

namespace {
void append_output_record(std::string& out, int i, int j, int b, double nullstat,
                          double nullcorr) {
    out += "    ";
    append_i(out, i, 6);
    out += "    ";
    append_i(out, j, 6);
    out += "    ";
    append_i(out, b, 6);
    out += "    ";
    append_f(out, nullstat, 20, 10);
    out += "    ";
    append_f(out, nullcorr, 20, 10);
    out += '\n';
}
}  // namespace

std::string output_record(int i, int j, int b, double nullstat, double nullcorr) {
    std::string record;
    append_output_record(record, i, j, b, nullstat, nullcorr);
    return record;
}

std::string output_records(int i, int j, const std::vector<double>& nullstat,
                           const std::vector<double>& nullcorr) {
    std::string records;
    records.reserve(nullstat.size() * 79);
    for (std::size_t b = 0; b < nullstat.size(); ++b)
        append_output_record(records, i, j, static_cast<int>(b) + 1, nullstat[b], nullcorr[b]);
    return records;
}

std::string pvalue_record(int i, int j, double res, float newpval, double corres, float corpval) {
    std::string record = "    ";
    append_i(record, i, 6);
    record += "    ";
    append_i(record, j, 6);
    record += "    ";
    append_f(record, res, 14, 8);
    record += "    ";
    append_f(record, static_cast<double>(newpval), 14, 8);
    record += "    ";
    append_f(record, corres, 14, 8);
    record += "    ";
    append_f(record, static_cast<double>(corpval), 14, 8);
    record += '\n';
    return record;
}

ResultFile::~ResultFile() {
    if (file_ != nullptr) std::fclose(file_);
}

void ResultFile::create(const std::string& path, const std::string& name) {
    path_ = path;
    name_ = name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int e = errno;
        if (e == EEXIST)
            throw RunError(kExitFiles,
                           name + ": file exists and cannot be overwritten; it holds the "
                                  "results of an earlier run (or what a failed run left): move "
                                  "or remove it, or run in another directory with -C");
        throw RunError(kExitFiles, name + ": cannot create: " + std::strerror(e));
    }
    file_ = ::fdopen(fd, "w");
    if (file_ == nullptr) {
        const int e = errno;
        ::close(fd);
        throw RunError(kExitFiles, name + ": cannot create: " + std::strerror(e));
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

void ResultFile::fail(const char* what, int err) {
    throw RunError(kExitFiles, name_ + ": " + what + ": " + std::strerror(err));
}

void ResultFile::write(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::ferror(file_))
        fail("write failed", errno);
}

void ResultFile::flush() {
    if (std::fflush(file_) != 0 || std::ferror(file_)) fail("write failed", errno);
}

void ResultFile::close() {
    std::FILE* f = file_;
    file_ = nullptr;
    const bool had_error = std::ferror(f) != 0;
    errno = 0;
    const int rc = std::fclose(f);
    if (had_error || rc != 0) fail("write failed", errno != 0 ? errno : EIO);
}

void ResultFile::discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    ::unlink(path_.c_str());
}

}  // namespace coswitch
