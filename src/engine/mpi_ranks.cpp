// The ranks of an mpirun launch; built only when MPI is found.
#ifdef COSWITCH_WITH_MPI
#include <mpi.h>

#include <climits>
#include <cstdlib>
#include <stdexcept>

#include "engine/ranks.hpp"

namespace coswitch {
namespace {

constexpr int kTextTag = 17;
constexpr std::int64_t kChunk = std::int64_t{1} << 26;

bool started_by_mpirun() {
    for (const char* v : {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"})
        if (std::getenv(v) != nullptr) return true;
    return false;
}

int as_int(std::int64_t n) {
    if (n > INT_MAX) throw std::length_error("a block of pairs too large to pass between ranks");
    return static_cast<int>(n);
}

class MpiRanks final : public Ranks {
public:
    MpiRanks() {
        int provided = 0;
        MPI_Init_thread(nullptr, nullptr, MPI_THREAD_FUNNELED, &provided);
        MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
        MPI_Comm_size(MPI_COMM_WORLD, &size_);
    }
    ~MpiRanks() override { MPI_Finalize(); }

    int rank() const override { return rank_; }
    int size() const override { return size_; }

    void gather_blocks(std::vector<double>& v, const std::vector<std::int64_t>& starts) override {
        gather(v.data(), MPI_DOUBLE, starts);
    }
    void gather_blocks(std::vector<std::int32_t>& v,
                       const std::vector<std::int64_t>& starts) override {
        gather(v.data(), MPI_INT32_T, starts);
    }

    void gather_blocks(void* records, std::size_t record_bytes,
                       const std::vector<std::int64_t>& starts) override {
        MPI_Datatype record;
        MPI_Type_contiguous(as_int(static_cast<std::int64_t>(record_bytes)), MPI_BYTE, &record);
        MPI_Type_commit(&record);
        gather(records, record, starts);
        MPI_Type_free(&record);
    }

    std::vector<std::uint64_t> gather_words(const std::vector<std::uint64_t>& mine) override {
        const int n = as_int(static_cast<std::int64_t>(mine.size()));
        std::vector<int> counts(static_cast<std::size_t>(size_)), displs(counts.size());
        MPI_Allgather(&n, 1, MPI_INT, counts.data(), 1, MPI_INT, MPI_COMM_WORLD);
        std::int64_t total = 0;
        for (std::size_t r = 0; r < counts.size(); ++r) {
            displs[r] = as_int(total);
            total += counts[r];
        }
        std::vector<std::uint64_t> all(static_cast<std::size_t>(total));
        MPI_Allgatherv(mine.data(), n, MPI_UINT64_T, all.data(), counts.data(), displs.data(),
                       MPI_UINT64_T, MPI_COMM_WORLD);
        return all;
    }

    void sum_to_first(std::vector<std::int64_t>& v) override { sum(v.data(), v.size(), MPI_INT64_T); }
    void sum_to_first(std::vector<std::uint64_t>& v) override { sum(v.data(), v.size(), MPI_UINT64_T); }

    int first_failure(bool failed) override {
        int mine = failed ? rank_ : size_, lowest = size_;
        MPI_Allreduce(&mine, &lowest, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
        return lowest < size_ ? lowest : -1;
    }

    int share(int value, int from) override {
        MPI_Bcast(&value, 1, MPI_INT, from, MPI_COMM_WORLD);
        return value;
    }

    std::string share(const std::string& text, int from) override {
        int n = share(static_cast<int>(text.size()), from);
        std::string out = rank_ == from ? text : std::string(static_cast<std::size_t>(n), '\0');
        MPI_Bcast(out.data(), n, MPI_CHAR, from, MPI_COMM_WORLD);
        return out;
    }

    void send_text(const std::function<bool(std::string&)>& next) override {
        std::string piece;
        while (next(piece)) {
            for (std::size_t at = 0; at < piece.size(); at += kChunk) {
                const auto n = static_cast<int>(std::min<std::size_t>(kChunk, piece.size() - at));
                MPI_Send(piece.data() + at, n, MPI_CHAR, 0, kTextTag, MPI_COMM_WORLD);
            }
        }
        MPI_Send(nullptr, 0, MPI_CHAR, 0, kTextTag, MPI_COMM_WORLD);
    }

    void receive_text(int from, const std::function<void(const std::string&)>& sink) override {
        std::string piece;
        for (;;) {
            MPI_Status st;
            MPI_Probe(from, kTextTag, MPI_COMM_WORLD, &st);
            int n = 0;
            MPI_Get_count(&st, MPI_CHAR, &n);
            piece.resize(static_cast<std::size_t>(n));
            MPI_Recv(piece.data(), n, MPI_CHAR, from, kTextTag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
            if (n == 0) return;
            sink(piece);
        }
    }

    // Open MPI and MPICH end the whole job here, this process included.
    void abort(int status) override { MPI_Abort(MPI_COMM_WORLD, status); }

private:
    void sum(void* data, std::size_t size, MPI_Datatype type) {
        auto* bytes = static_cast<char*>(data);
        for (std::int64_t at = 0; at < static_cast<std::int64_t>(size); at += kChunk) {
            const int n = as_int(std::min<std::int64_t>(kChunk, static_cast<std::int64_t>(size) - at));
            char* from = bytes + at * 8;
            if (rank_ == 0)
                MPI_Reduce(MPI_IN_PLACE, from, n, type, MPI_SUM, 0, MPI_COMM_WORLD);
            else
                MPI_Reduce(from, nullptr, n, type, MPI_SUM, 0, MPI_COMM_WORLD);
        }
    }

    void gather(void* data, MPI_Datatype type, const std::vector<std::int64_t>& starts) {
        std::vector<int> counts(static_cast<std::size_t>(size_)), displs(counts.size());
        for (int r = 0; r < size_; ++r) {
            counts[static_cast<std::size_t>(r)] = as_int(starts[r + 1] - starts[r]);
            displs[static_cast<std::size_t>(r)] = as_int(starts[r]);
        }
        MPI_Allgatherv(MPI_IN_PLACE, 0, MPI_DATATYPE_NULL, data, counts.data(), displs.data(),
                       type, MPI_COMM_WORLD);
    }

    int rank_ = 0;
    int size_ = 1;
};

}  // namespace

Ranks& process_ranks() {
    if (!started_by_mpirun()) {
        static Ranks one;
        return one;
    }
    static MpiRanks ranks;
    return ranks;
}

}  // namespace coswitch
#endif
