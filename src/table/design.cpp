#include "table/design.hpp"

#include <algorithm>

#include "io/errors.hpp"
#include "table/printable.hpp"

namespace coswitch {

std::string sample_label(const NamedTable& table, std::size_t sample) {
    const std::string& s = table.samples[sample];
    return s.empty() ? "column " + std::to_string(sample + 2) : s;
}

Design design_by_order(const NamedTable& table, const std::vector<std::size_t>& selected,
                       std::size_t nrep) {
    if (nrep < 1) throw RunError(kExitInput, "--replicates: must be at least 1");
    const std::size_t n = selected.size();
    if (n % nrep != 0)
        throw RunError(kExitInput, "--replicates " + std::to_string(nrep) + ": " +
                                       std::to_string(n) + " selected columns of " + table.name +
                                       " are not a multiple of " + std::to_string(nrep));
    Design d;
    d.NREP = nrep;
    d.NTIME = n / nrep;
    d.how = nrep == 1 ? "column order" : "--replicates " + std::to_string(nrep);
    if (d.NTIME < 2)
        throw RunError(kExitInput, table.name + ": " + std::to_string(n) +
                                       " selected columns make " + std::to_string(d.NTIME) +
                                       " time point(s) with " + d.how + "; a run needs at least 2");
    d.columns = selected;
    for (std::size_t t = 1; t <= d.NTIME; ++t)
        d.time_labels.push_back(nrep == 1 ? sample_label(table, selected[t - 1])
                                          : std::to_string(t));
    for (std::size_t r = 1; r <= nrep; ++r) d.replicate_labels.push_back(std::to_string(r));
    return d;
}

std::size_t Design::holes() const {
    return static_cast<std::size_t>(std::count(columns.begin(), columns.end(), kHole));
}

std::vector<std::size_t> Design::samples() const {
    std::vector<std::size_t> out;
    for (const std::size_t c : columns)
        if (c != kHole) out.push_back(c);
    return out;
}

namespace {

std::string cell_label(const Design& d, const NamedTable& table, std::size_t t, std::size_t r) {
    const std::size_t c = d.column(t, r);
    return c == Design::kHole ? std::string() : escape_controls(sample_label(table, c));
}

}  // namespace

std::string design_text(const Design& d, const NamedTable& table) {
    std::string out = "design: " + std::to_string(d.NTIME) + " time points x " +
                      std::to_string(d.NREP) + (d.NREP == 1 ? " replicate" : " replicates") + " (" +
                      escape_controls(d.how) + ")\n";
    for (std::size_t t = 1; t <= d.NTIME; ++t) {
        out += "  time " + std::to_string(t) + " (" + escape_controls(d.time_labels[t - 1]) + "):";
        for (std::size_t r = 1; r <= d.NREP; ++r)
            out += (r == 1 ? " " : ", ") +
                   (d.column(t, r) == Design::kHole ? std::string("-") : cell_label(d, table, t, r));
        out += "\n";
    }
    out += "  replicates:";
    for (std::size_t r = 1; r <= d.NREP; ++r)
        out += (r == 1 ? " " : ", ") + escape_controls(d.replicate_labels[r - 1]);
    if (const std::size_t h = d.holes(); h > 0)
        out += "\n  holes (-): " + std::to_string(h) + " of " + std::to_string(d.NTIME * d.NREP) +
               " cells have no sample; their values are missing for every gene";
    return out + "\n";
}

std::string design_tsv(const Design& d, const NamedTable& table) {
    std::string out = "sample\ttime\treplicate\ttime_index\treplicate_index\n";
    for (std::size_t t = 1; t <= d.NTIME; ++t)
        for (std::size_t r = 1; r <= d.NREP; ++r)
            out += cell_label(d, table, t, r) + "\t" +
                   escape_controls(d.time_labels[t - 1]) + "\t" +
                   escape_controls(d.replicate_labels[r - 1]) + "\t" + std::to_string(t) + "\t" +
                   std::to_string(r) + "\n";
    return out;
}

}  // namespace coswitch
