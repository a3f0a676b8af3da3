#include "report/plan_text.hpp"

#include <cmath>

#include "io/number_text.hpp"

namespace coswitch {
namespace {

std::string count_of(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string duration_text(double seconds) {
    if (seconds < 60) return "about " + fixed(seconds, seconds < 10 ? 1 : 0) + " s";
    if (seconds < 3600) return "about " + fixed(seconds / 60, 1) + " min";
    return "about " + fixed(seconds / 3600, 1) + " h";
}

std::string plan_text(const ScanPlan& plan, bool gzip) {
    std::string text = " plan: " + count_of(plan.pairs, "pair", "pairs") + ", " +
                       count_of(plan.bootstrap, "bootstrap replicate", "bootstrap replicates") +
                       " each, " + count_of(plan.threads, "thread", "threads") + " x " +
                       count_of(plan.ranks, "rank", "ranks") + "\n";
    text += " plan: peak memory about " + memory_text(plan.peak) + (plan.ranks > 1 ? " a rank" : "") +
            " (" + fixed(plan.per_pair, 1) + " bytes a pair; " + memory_text(plan.resident_now) +
            " in use now)";
    if (!plan.room.resident_by.empty())
        text += ", " + memory_text(static_cast<double>(plan.room.resident)) + " more available (" +
                plan.room.resident_by + ")";
    text += "\n";

    const std::string rows = std::to_string(plan.rows) + " rows of about " +
                             fixed(plan.row_bytes, 0) + " bytes";
    text += " plan: pairs.tsv ";
    switch (plan.choice.rule) {
        case PairsChoice::Rule::all:
            text += "about " + memory_text(plan.pairs_tsv_bytes) + " (every pair: " + rows + ")";
            break;
        case PairsChoice::Rule::fdr:
            text += "at most " + memory_text(plan.pairs_tsv_bytes) + " (the pairs at an adjusted " +
                    shortest_text(plan.choice.fdr) + " or below: at most " + rows + ")";
            break;
        case PairsChoice::Rule::top:
            text += "about " + memory_text(plan.pairs_tsv_bytes) + " (the best " + rows + ")";
            break;
    }
    if (plan.nulls_bytes > 0) text += "; nulls.txt about " + memory_text(plan.nulls_bytes);
    if (gzip) text += "; before gzip";
    text += "\n";

    if (!std::isnan(plan.seconds)) {
        text += " plan: time " + duration_text(plan.seconds) + " for the pairs (" +
                count_of(plan.timed_pairs, "pair", "pairs") + " timed on this machine: " +
                fixed(plan.seconds_per_pair * 1e3, 3) + " ms a pair on one thread)\n";
    }
    return text;
}

}  // namespace coswitch
