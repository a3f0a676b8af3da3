#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/failure.hpp"
#include "cli/interrupts.hpp"
#include "cli/progress.hpp"
#include "cli/scan_options.hpp"
#include "cli/subcommands.hpp"
#include "engine/pair_order.hpp"
#include "engine/pooled_run.hpp"
#include "engine/ranks.hpp"
#include "io/errors.hpp"
#include "io/unfinished_folder.hpp"
#include "io/new_file.hpp"
#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/plan_text.hpp"
#include "report/scan_folder.hpp"
#include "report/scan_records.hpp"
#include "report/scan_summary.hpp"
#include "run/classic_inputs.hpp"
#include "run/result_files.hpp"
#include "scan/inputs.hpp"
#include "scan/plan.hpp"
#include "scan/run.hpp"

namespace coswitch {
namespace {

// Where a rank other than the first keeps its null records until the first
// asks for them: an unnamed file in the temporary folder of the system.
class SpoolFile {
public:
    SpoolFile() {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") +
                              "/coswitch-nulls-XXXXXX";
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) throw RunError(kExitFiles, "cannot create a spool file in " + pattern);
        ::unlink(pattern.c_str());
    }
    ~SpoolFile() { ::close(fd_); }
    void write(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n <= 0) throw RunError(kExitFiles, "cannot write the spool file of null records");
            done += static_cast<std::size_t>(n);
        }
    }
    // Its pieces from the start, for sending.
    bool next(std::string& piece) {
        if (!rewound_) {
            ::lseek(fd_, 0, SEEK_SET);
            rewound_ = true;
        }
        piece.resize(1 << 20);
        const ssize_t n = ::read(fd_, piece.data(), piece.size());
        if (n < 0) throw RunError(kExitFiles, "cannot read the spool file of null records");
        piece.resize(static_cast<std::size_t>(n));
        return n > 0;
    }

private:
    int fd_ = -1;
    bool rewound_ = false;
};

// Runs fn on every rank; when it fails on some, the lowest such rank names
// the cause (and itself, when there are several) and every rank returns
// the same status. Faults of input are found this way by every rank alike.
template <class Fn>
std::optional<int> on_every_rank(Ranks& ranks, Fn&& fn) {
    std::optional<RunError> error;
    try {
        fn();
    } catch (const RunError& e) {
        error = e;
    } catch (const std::bad_alloc&) {
        error = RunError(kExitFiles, "out of memory while reading the inputs");
    }
    const int failed = ranks.first_failure(error.has_value());
    if (failed < 0) return std::nullopt;
    const int status = ranks.share(error ? error->status : 0, failed);
    if (ranks.rank() == failed) {
        const std::string who =
            ranks.size() > 1 ? "rank " + std::to_string(failed) + ": " : std::string();
        std::fflush(stdout);
        std::fprintf(stderr, "coswitch: %s%s\n", who.c_str(), error->what());
    }
    return status;
}

// The ranks of the launch that share this machine, as the launcher tells
// them (1 when it does not).
int ranks_on_this_machine() {
    for (const char* name : {"OMPI_COMM_WORLD_LOCAL_SIZE", "MPI_LOCALNRANKS", "SLURM_NTASKS_PER_NODE"})
        if (const char* v = std::getenv(name); v != nullptr && std::atoi(v) > 0) return std::atoi(v);
    return 1;
}

// The plan of the pair pass on every rank, printed by the first (with the
// time of a few pairs timed there); a RunError(kExitInput, ...) when the
// pass would not fit in memory, unless forced. False for a dry run's end.
bool plan_pairs(const ScanOptions& o, Ranks& ranks, const ScanInputs& s) {
    ScanPlan plan = naming_out_of_memory("planning the pair pass", [&] {
        return plan_scan(s, o, ranks.size(), ranks_on_this_machine());
    });
    const std::string shortfall = memory_shortfall(plan);
    if (ranks.first()) {
        time_pairs(s, plan);
        std::fputs(plan_text(plan, o.gzip).c_str(), stdout);
        if (o.dry_run && !shortfall.empty())
            std::printf(" plan: this run would stop here: %s (--force runs it anyway)\n", shortfall.c_str());
        std::fflush(stdout);
    }
    if (o.dry_run) return false;
    if (!shortfall.empty() && !o.force)
        throw RunError(kExitInput, shortfall +
                                       ": choose fewer genes (--genes), run where more memory is "
                                       "free, or give --force to run anyway");
    return true;
}

struct Scan {
    ScanOptions o;
    Ranks& ranks;
    ScanInputs s;
    std::optional<NewDirectory> folder;
    std::optional<NewDirectory> classic;  // --write-classic, placed with folder
    std::chrono::steady_clock::time_point started;

    // The pair analysis, and on the first rank every file of the folder.
    void analyse() {
        TextOut nulls;
        std::optional<SpoolFile> spool;
        PooledRun how;
        how.threads = o.threads;
        how.ranks = &ranks;
        if (o.nulls) {
            how.null_records = [](std::int64_t, GenePair pair, const PairResult& r) {
                return output_records(pair.i, pair.j, r.nullstat, r.nullcorr);
            };
            if (ranks.first()) {
                const std::string name = o.gzip ? "nulls.txt.gz" : "nulls.txt";
                create_in(nulls, *folder, name, o.gzip);
                nulls.write(kOutputHeader);
                how.write_records = [&](const std::string& text) { nulls.write(text); };
            } else {
                spool.emplace();
                how.write_records = [&](const std::string& text) { spool->write(text); };
            }
        }
        Progress progress = make_progress(ranks.first() ? o.progress : ProgressMode::Quiet,
                                          pair_count(s.p.NGENE), s.p.NBOOT);
        progress.show_rate();
        how.progress = [&](std::int64_t done, std::int64_t of) {
            progress.set_total(of, s.p.NBOOT);
            progress.update(done, done * (s.p.NBOOT > 0 ? s.p.NBOOT : 0));
        };
        ScanResult result = run_scan(s, how);
        progress.finish();
        // Null records reach the first rank in rank order, which is pair order.
        if (o.nulls) {
            for (int r = 1; r < ranks.size(); ++r) {
                if (ranks.first())
                    ranks.receive_text(r, [&](const std::string& piece) { nulls.write(piece); });
                else if (ranks.rank() == r)
                    ranks.send_text([&](std::string& piece) { return spool->next(piece); });
            }
            if (ranks.first()) nulls.close();
        }
        if (!ranks.first()) return;

        PairResults& results = result.results;
        const RankedPairs ranked =
            naming_out_of_memory("ranking the pairs", [&] { return rank_pairs(results, o.threads); });
        RunRecord record;
        record.words = o.words;
        record.report = result.report;
        record.pooled = results.M;
        record.scaled_fits = result.scaled_fits;
        record.ranks = ranks.size();
        record.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const PairsWritten written = write_scan_folder(*folder, o, s, results, ranked, record);
        if (classic)
            commit_folders_together({&*folder, &*classic});
        else
            folder->commit();

        std::fputs(loop_warnings(result.report).c_str(), stderr);
        if (result.scaled_fits > 0)
            std::fprintf(stderr,
                         "coswitch: note: %lld pair%s had a likelihood below the smallest double "
                         "(a long series or large values); %s fitted with scaled recursions\n",
                         result.scaled_fits, result.scaled_fits == 1 ? "" : "s",
                         result.scaled_fits == 1 ? "it was" : "they were");
        std::fputs(scan_summary(results, ranked).c_str(), stdout);
        std::fputs(pairs_written_text(written, results.pairs()).c_str(), stdout);
        std::printf(" results in %s\n", o.output.c_str());
    }
};

// Fails when anything is at path, a folder named with a trailing slash
// included; `option` is what names it.
void require_new_folder(const std::string& path, const std::string& what,
                        const std::string& option) {
    struct stat st {};
    if (::lstat(without_trailing_slashes(path).c_str(), &st) == 0)
        throw RunError(kExitFiles, path + ": exists already; " + what +
                                       " must be new (move or remove it, or choose another "
                                       "name with " + option + ")");
}

}  // namespace

int scan_main(const std::vector<std::string>& args) {
    watch_interrupts();
    Ranks& ranks = process_ranks();
    // Every rank checks the options alike; one says what is wrong.
    ScanOptions options;
    try {
        options = parse_scan_options(args);
    } catch (const RunError& e) {
        return ranks.first() ? report_failure() : e.status;
    }
    Scan run{std::move(options), ranks, {}, {}, {}, std::chrono::steady_clock::now()};
    // For tests: the default of --pairs switches at this many pairs instead.
    if (const char* limit = std::getenv("COSWITCH_TEST_ALL_PAIRS_UP_TO"))
        run.o.all_pairs_up_to = std::atoll(limit);
    const ScanOptions& o = run.o;
    if (o.help) {
        if (ranks.first()) std::fputs(scan_usage_text().c_str(), stdout);
        return kExitOk;
    }
    if (o.version) {
        if (ranks.first()) std::fputs(version_text().c_str(), stdout);
        return kExitOk;
    }
    // Everything is read and checked, by every rank alike, before any pair.
    if (auto status = on_every_rank(ranks, [&] {
            if (ranks.first()) {
                if (!o.output.empty()) require_new_folder(o.output, "the output folder", "-o");
                if (!o.write_classic.empty())
                    require_new_folder(o.write_classic, "the folder of the classic inputs",
                                       "--write-classic");
            }
            run.s = scan_inputs(o);
            check_pair_count(run.s.p.NGENE);
            pairs_choice_of(o, 0);
            if (ranks.first()) {
                std::fputs(scan_inputs_text(run.s).c_str(), stdout);
                std::fflush(stdout);
                if (!run.s.note.empty())
                    std::fprintf(stderr, "coswitch: warning: %s\n", run.s.note.c_str());
                if (run.s.p.NGENE < 2)
                    throw RunError(kExitInput, o.table + ": " + std::to_string(run.s.p.NGENE) +
                                                   " gene" + (run.s.p.NGENE == 1 ? "" : "s") +
                                                   " kept, so there is no pair to test: " +
                                                   genes_not_kept_text(run.s) +
                                                   " (--columns picks one series of a wide table)");
            }
            if (!plan_pairs(o, ranks, run.s)) return;
            if (ranks.first()) {
                if (!o.write_classic.empty()) {
                    run.classic.emplace();
                    run.classic->open(o.write_classic, o.write_classic);
                    write_classic_folder(*run.classic, run.s.p, run.s.in);
                    if (o.null_model == NullModel::fixed)
                        std::printf(" classic inputs in %s: the classic run reproduces this scan "
                                    "with --null fixed (its default is chained)\n",
                                    o.write_classic.c_str());
                }
                run.folder.emplace();
                run.folder->open(o.output, o.output);
            }
        }))
        return *status;
    if (o.dry_run) return kExitOk;
    // Every rank removes the unfinished folders when interrupted, so that
    // they go also when the first rank is killed outright.
    for (const auto* f : {&run.folder, &run.classic}) {
        const std::string unfinished =
            ranks.share(ranks.first() && *f ? (*f)->path() : std::string(), 0);
        if (!ranks.first() && !unfinished.empty()) add_unfinished_folder(unfinished);
    }

    if (ranks.size() == 1) {
        run.analyse();
        return kExitOk;
    }
    // Several ranks: a failure on one ends them all; the first rank's
    // temporary folder goes with it.
    try {
        run.analyse();
    } catch (const InternalStop&) {
        const int status = report_failure();
        run.folder.reset();
        run.classic.reset();
        ranks.abort(status);
        return status;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "coswitch: rank %d: %s\n", ranks.rank(),
                     dynamic_cast<const std::bad_alloc*>(&e) != nullptr
                         ? "out of memory during the pair analysis"
                         : e.what());
        const auto* re = dynamic_cast<const RunError*>(&e);
        const int status = re != nullptr ? re->status : kExitFiles;
        run.folder.reset();
        run.classic.reset();
        ranks.abort(status);
        return status;
    }
    return kExitOk;
}

}  // namespace coswitch
