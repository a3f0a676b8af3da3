#pragma once
// The processes of one run. A plain run is one process, the first and only
// rank; under mpirun each rank takes a block of pairs and the first one
// gathers what the others found. Only the calling thread talks to others.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace coswitch {

class Ranks {
public:
    virtual ~Ranks() = default;
    virtual int rank() const { return 0; }
    virtual int size() const { return 1; }
    bool first() const { return rank() == 0; }

    // v holds this rank's block [starts[rank], starts[rank + 1]); afterwards
    // every rank holds every block. starts has size() + 1 entries.
    virtual void gather_blocks(std::vector<double>& v, const std::vector<std::int64_t>& starts) {
        (void)v;
        (void)starts;
    }
    virtual void gather_blocks(std::vector<std::int32_t>& v,
                               const std::vector<std::int64_t>& starts) {
        (void)v;
        (void)starts;
    }
    // The same for blocks of records of `record_bytes` bytes each.
    virtual void gather_blocks(void* records, std::size_t record_bytes,
                               const std::vector<std::int64_t>& starts) {
        (void)records;
        (void)record_bytes;
        (void)starts;
    }
    // Every rank's words, in rank order, on every rank.
    virtual std::vector<std::uint64_t> gather_words(const std::vector<std::uint64_t>& mine) {
        return mine;
    }
    // Element-wise sums over every rank, on the first rank.
    virtual void sum_to_first(std::vector<std::int64_t>& v) { (void)v; }
    virtual void sum_to_first(std::vector<std::uint64_t>& v) { (void)v; }
    // The lowest rank where failed is true, or -1 when none: on every rank.
    virtual int first_failure(bool failed) { return failed ? 0 : -1; }
    // value as it is on rank `from`, on every rank.
    virtual int share(int value, int from) {
        (void)from;
        return value;
    }
    // text as it is on rank `from`, on every rank.
    virtual std::string share(const std::string& text, int from) {
        (void)from;
        return text;
    }
    // Text from rank `from` to the first rank, in pieces: next() gives the
    // sender's pieces until it returns false; sink() takes them on the first.
    virtual void send_text(const std::function<bool(std::string&)>& next) { (void)next; }
    virtual void receive_text(int from, const std::function<void(const std::string&)>& sink) {
        (void)from;
        (void)sink;
    }
    // Ends every rank at once after a failure on this one, when the launcher
    // has others running; a single process has none, and this returns.
    virtual void abort(int status) { (void)status; }
};

// The ranks of this process: one plain rank, or every rank of mpirun when
// the program was started by it and built with MPI.
Ranks& process_ranks();

}  // namespace coswitch
