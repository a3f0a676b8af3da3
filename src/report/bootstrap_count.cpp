#include "report/bootstrap_count.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "io/numbers.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr std::size_t kLongestLine = 1 << 20;

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Follows the lines from the header to the first record of a second pair.
class FirstPair {
public:
    FirstPair(std::string name, int genes) : name_(std::move(name)), genes_(genes) {}

    // False once the count is decided.
    bool line(const std::string& text) {
        ++line_no_;
        const std::vector<std::string> w = split_words(text);
        if (!header_seen_) {
            header_seen_ = true;
            if (w != std::vector<std::string>{"Gene1", "Gene2", "B", "nullstat", "nullcorr"})
                return unknown(name_ + " does not begin with the header of the null values");
            return true;
        }
        if (w.empty()) return true;
        int i = 0, j = 0, b = 0;
        if (w.size() != 5 || !parse_whole_number(w[0], i) || !parse_whole_number(w[1], j) ||
            !parse_whole_number(w[2], b) || i < 1 || i >= j || j > genes_)
            return unknown(where() + "not a record of the null values of a pair of " +
                           std::to_string(genes_) + " genes");
        if (count_ > 0 && (i != i_ || j != j_)) return known();
        i_ = i;
        j_ = j;
        if (b != count_ + 1)
            return unknown(where() + "replicate " + std::to_string(b) + " where " +
                           std::to_string(count_ + 1) + " was expected");
        ++count_;
        return true;
    }

    BootstrapCount end_of_file(std::int64_t pairs) {
        if (!decided_) {
            if (!header_seen_)
                unknown(name_ + " is empty");
            else if (count_ > 0 && pairs > 1)
                unknown(name_ + " ends within the records of its first pair");
            else
                known();
        }
        return result_;
    }

    BootstrapCount result() const { return result_; }
    void long_line() {
        ++line_no_;
        unknown(where() + "a line far longer than a record");
    }

    bool unknown(const std::string& why) {
        decided_ = true;
        result_.known = false;
        result_.why_unknown = why;
        return false;
    }

private:
    std::string where() const { return name_ + ":" + std::to_string(line_no_) + ": "; }

    bool known() {
        decided_ = true;
        result_.known = true;
        result_.per_pair = count_;
        return false;
    }

    std::string name_;
    int genes_;
    std::int64_t line_no_ = 0, count_ = 0;
    int i_ = 0, j_ = 0;
    bool header_seen_ = false, decided_ = false;
    BootstrapCount result_;
};

}  // namespace

BootstrapCount count_bootstrap(const std::string& path, const std::string& name, int genes) {
    FirstPair first(name, genes);
    Descriptor d;
    // Not blocking on a pipe or a device: those are refused below.
    d.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (d.fd < 0) {
        const int e = errno;
        first.unknown(e == ENOENT ? "no " + name + " beside pvalue.txt"
                                  : name + " cannot be read: " + std::strerror(e));
        return first.result();
    }
    struct stat st {};
    if (::fstat(d.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        first.unknown(name + " is not a regular file");
        return first.result();
    }
    const std::int64_t g = genes;
    const std::int64_t pairs = g * (g - 1) / 2;
    std::string pending;
    std::vector<char> chunk(kChunk);
    for (;;) {
        const ssize_t n = ::read(d.fd, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            first.unknown(name + " cannot be read: " + std::strerror(errno));
            return first.result();
        }
        if (n == 0) break;
        pending.append(chunk.data(), static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            if (!first.line(pending.substr(start, end - start))) return first.result();
        pending.erase(0, start);
        if (pending.size() > kLongestLine) {
            first.long_line();
            return first.result();
        }
    }
    if (!pending.empty() && !first.line(pending)) return first.result();
    return first.end_of_file(pairs);
}

std::string bootstrap_line(BootstrapCount c, const PairTable& t, const std::string& name) {
    if (c.known && c.per_pair == 0)
        for (const PairRow& r : t.rows)
            if (!std::isnan(r.p_new) || !std::isnan(r.p_corr)) {
                c.known = false;
                c.why_unknown = name + " holds no null values, yet pvalue.txt has p-values";
                break;
            }
    if (!c.known) return " bootstrap replicates: unknown (" + c.why_unknown + ")\n";
    std::string line = " bootstrap replicates: " + std::to_string(c.per_pair) + " per pair (from " +
                       name + ")";
    const std::int64_t pairs = static_cast<std::int64_t>(t.rows.size());
    std::int64_t M = 0;
    if (!__builtin_mul_overflow(c.per_pair, pairs, &M)) line += ", M = " + std::to_string(M);
    return line + "\n";
}

}  // namespace coswitch
