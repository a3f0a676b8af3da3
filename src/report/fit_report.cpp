#include "report/fit_report.hpp"


#include "io/number_text.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

constexpr double kSmallStateWeight = 2.0;  // values' worth of weight

std::string name_of(const std::vector<std::string>& names, std::size_t c) {
    return names.empty() ? std::to_string(c + 1) : names[c];
}

}  // namespace

std::string nine_digits(double v) { return significant(v, 9); }

std::string fit_flags(const ColumnFit& c) {
    std::string flags;
    auto add = [&](const char* f) {
        if (!flags.empty()) flags += ",";
        flags += f;
    };
    const double n = static_cast<double>(c.values);
    if (n * c.fit.weight1 < kSmallStateWeight || n * (1.0 - c.fit.weight1) < kSmallStateWeight)
        add("small-state");
    if (!c.fit.converged) add("not-converged");
    if (c.unused) add("unused");
    return flags;
}

bool column_switches(const ColumnFit& c, bool time_mode) {
    return time_mode ? c.bic_gain > 0 : switching(c.bic_gain, c.persistence);
}

std::string fit_table(const std::vector<ColumnFit>& fits, bool time_mode,
                      const std::vector<std::string>& names) {
    std::vector<std::string> head = {time_mode ? "time" : "gene"};
    std::vector<bool> left = {false};
    if (!names.empty()) {
        head.push_back("name");
        left.push_back(true);
    }
    for (const char* h : {"mean0", "sd0", "mean1", "sd1", "weight1", "bic_gain"}) {
        head.push_back(h);
        left.push_back(false);
    }
    if (time_mode) {
        head.push_back("two_state");
        left.push_back(true);
    } else {
        for (const char* h : {"persistence", "persistence_p"}) {
            head.push_back(h);
            left.push_back(false);
        }
        head.push_back("switching");
        left.push_back(true);
    }
    head.push_back("flags");
    left.push_back(true);

    std::vector<std::vector<std::string>> cells = {head};
    std::size_t yes = 0, counted = 0;
    for (std::size_t c = 0; c < fits.size(); ++c) {
        const ColumnFit& cf = fits[c];
        const MixtureFit& f = cf.fit;
        std::vector<std::string> row = {std::to_string(c + 1)};
        if (!names.empty()) row.push_back(names[c]);
        row.insert(row.end(), {significant(f.mean0, 6), significant(f.sd0, 6),
                               significant(f.mean1, 6), significant(f.sd1, 6),
                               fixed(f.weight1, 4), fixed(cf.bic_gain, 3)});
        if (!time_mode)
            row.insert(row.end(), {fixed(cf.persistence.lag1, 4),
                                   fixed(cf.persistence.p, 3)});
        const bool s = column_switches(cf, time_mode);
        row.push_back(s ? "yes" : "no");
        row.push_back(fit_flags(cf));
        cells.push_back(row);
        if (!cf.unused) {
            ++counted;
            if (s) ++yes;
        }
    }
    std::string out = aligned(cells, left);
    out += " " + std::to_string(yes) + " of " + std::to_string(counted) +
           (time_mode ? " time points have two states (bic_gain > 0)\n"
                      : " genes switch (bic_gain > 0 or persistence_p <= 0.01)\n");
    return out;
}

std::string fit_tsv(const std::vector<ColumnFit>& fits, bool time_mode,
                    const std::vector<std::string>& names) {
    std::string out = "column\tname\tmean0\tsd0\tmean1\tsd1\tweight1\tbic_gain\t";
    out += time_mode ? "two_state\tflags\n" : "persistence\tpersistence_p\tswitching\tflags\n";
    for (std::size_t c = 0; c < fits.size(); ++c) {
        const ColumnFit& cf = fits[c];
        const MixtureFit& f = cf.fit;
        out += std::to_string(c + 1) + "\t" + name_of(names, c);
        for (double v : {f.mean0, f.sd0, f.mean1, f.sd1}) out += "\t" + nine_digits(v);
        out += "\t";
        append_fixed(out, f.weight1, 4);
        out += "\t";
        append_fixed(out, cf.bic_gain, 3);
        if (!time_mode) {
            out += "\t";
            append_fixed(out, cf.persistence.lag1, 4);
            out += "\t";
            append_shortest(out, cf.persistence.p);
        }
        out += column_switches(cf, time_mode) ? "\tyes\t" : "\tno\t";
        out += fit_flags(cf) + "\n";
    }
    return out;
}

}  // namespace coswitch
