#include "report/panel_data.hpp"

#include <cmath>
#include <limits>
#include <utility>

#include "io/errors.hpp"
#include "io/numbers.hpp"
#include "report/text.hpp"
#include "table/cell_value.hpp"

namespace coswitch {
namespace {

bool read_number(const std::string& text, double& v) {
    return read_cell(text, v) == CellKind::Number;
}

// The number a label ends in ("alpha119": 119), when it ends in one.
bool trailing_number(const std::string& label, double& v) {
    std::size_t start = label.size();
    while (start > 0 && ((label[start - 1] >= '0' && label[start - 1] <= '9') || label[start - 1] == '.'))
        --start;
    while (start < label.size() && label[start] == '.') ++start;
    return start < label.size() && read_number(label.substr(start), v);
}

bool increasing(const std::vector<double>& v) {
    for (std::size_t k = 1; k < v.size(); ++k)
        if (!(v[k] > v[k - 1])) return false;
    return true;
}

// Places on the time axis: the first reading of the labels that gives
// numbers in increasing order.
void place_times(PanelDesign& d) {
    const std::pair<bool (*)(const std::string&, double&), const char*> readings[] = {
        {read_number, "time"}, {trailing_number, "time (the number in each time label)"}};
    for (const auto& [read, title] : readings) {
        std::vector<double> t;
        for (const std::string& label : d.time_labels) {
            double v = 0;
            if (!read(label, v)) break;
            t.push_back(v);
        }
        if (t.size() == d.time_labels.size() && increasing(t)) {
            d.times = std::move(t);
            d.time_title = title;
            return;
        }
    }
    d.times.clear();
    for (int t = 1; t <= d.ntime; ++t) d.times.push_back(t);
    d.time_title = "time point";
}

double figure(const std::string& text, const std::string& name) {
    if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (text == "Inf" || text == "-Inf")
        return text[0] == '-' ? -std::numeric_limits<double>::infinity()
                              : std::numeric_limits<double>::infinity();
    double v = 0;
    if (!read_number(text, v))
        throw RunError(kExitInput, name + ": \"" + text + "\" is not a number of pairs.tsv");
    return v;
}

}  // namespace

PanelDesign panel_design(const std::string& design_tsv, const std::string& name) {
    const std::vector<std::string> lines = split_lines(design_tsv);
    auto bad = [&](std::size_t line, const std::string& why) {
        return RunError(kExitInput, name + ":" + std::to_string(line + 1) + ": " + why);
    };
    if (lines.empty() || lines[0] != "sample\ttime\treplicate\ttime_index\treplicate_index")
        throw bad(0, "not the header of a scan's design.tsv");
    PanelDesign d;
    std::vector<std::vector<std::string>> rows;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        rows.push_back(split_tabs(lines[n]));
        const auto& c = rows.back();
        int t = 0, r = 0;
        if (c.size() != 5 || !parse_whole_number(c[3], t) || !parse_whole_number(c[4], r))
            throw bad(n, "not a row of sample, time, replicate, time_index, replicate_index");
        // Rows come time point by time point, replicate fastest: the first
        // time point's rows give the replicates.
        if (t == 1 && r == d.nrep + 1) {
            d.nrep = r;
            d.replicate_labels.push_back(c[2]);
        }
        const std::size_t k = n - 1;
        if (d.nrep == 0 || t != static_cast<int>(k / d.nrep) + 1 || r != static_cast<int>(k % d.nrep) + 1)
            throw bad(n, "rows out of the order of the design");
        if (r == 1) d.time_labels.push_back(c[1]);
        d.samples.push_back(c[0]);
    }
    d.ntime = static_cast<int>(d.time_labels.size());
    if (d.ntime < 2 || d.samples.size() != static_cast<std::size_t>(d.ntime) * d.nrep)
        throw bad(lines.size() - 1, "not a whole design of at least 2 time points");
    place_times(d);
    return d;
}

PanelGene scan_panel_gene(const ScanInputs& s, int g) {
    PanelGene gene;
    gene.id = s.ids[static_cast<std::size_t>(g - 1)];
    for (int m = 1; m <= s.p.NTIME * s.p.NREP; ++m) gene.values.push_back(s.in.MODTCELL44(m, g));
    for (int t = 1; t <= s.p.NTIME; ++t) {
        const int c = s.p.FLAG == 'T' ? t : g;
        gene.mean0.push_back(s.in.PARA1(1, c));
        gene.sd0.push_back(s.in.PARA1(2, c));
        gene.mean1.push_back(s.in.PARA2(1, c));
        gene.sd1.push_back(s.in.PARA2(2, c));
    }
    return gene;
}

PairFigures pair_figures(const std::string& row, const std::string& name) {
    const std::vector<std::string> c = split_tabs(row);
    PairFigures f;
    int rank = 0;
    if (c.size() < 11 || !parse_whole_number(c[0], rank) || rank < 1)
        throw RunError(kExitInput, name + ": not a row of pairs.tsv: " + row.substr(0, 80));
    f.rank = rank;
    f.gene1 = c[1];
    f.gene2 = c[2];
    f.stat_new = figure(c[3], name);
    f.p_new = figure(c[4], name);
    f.p_new_bh = figure(c[5], name);
    f.stat_corr = figure(c[6], name);
    f.p_corr = figure(c[7], name);
    f.p_corr_bh = figure(c[8], name);
    f.r = figure(c[9], name);
    f.phase = c[10];
    return f;
}

PairPanel make_pair_panel(PanelDesign design, bool time_mode, PanelGene a, PanelGene b,
                          PairFigures figures, std::int64_t pairs) {
    PairPanel panel;
    panel.design = std::move(design);
    panel.time_mode = time_mode;
    panel.genes = {std::move(a), std::move(b)};
    panel.figures = std::move(figures);
    panel.pairs = pairs;
    const PanelDesign& d = panel.design;
    RunParameters p;
    p.FLAG = time_mode ? 'T' : 'G';
    p.NTIME = d.ntime;
    p.NREP = d.nrep;
    p.NGENE = 2;
    Inputs in;
    in.MODTCELL44.resize(d.ntime * d.nrep, 2);
    const int columns = time_mode ? d.ntime : 2;
    in.PARA1.resize(2, columns);
    in.PARA2.resize(2, columns);
    for (int g = 1; g <= 2; ++g) {
        const PanelGene& gene = panel.genes[static_cast<std::size_t>(g - 1)];
        for (int m = 1; m <= d.ntime * d.nrep; ++m)
            in.MODTCELL44(m, g) = gene.values[static_cast<std::size_t>(m - 1)];
    }
    // Gene mode: a column per gene; time mode: one per time point, for both genes.
    for (int c = 1; c <= columns; ++c) {
        const PanelGene& gene = panel.genes[time_mode ? 0 : static_cast<std::size_t>(c - 1)];
        const std::size_t t = time_mode ? static_cast<std::size_t>(c - 1) : 0;
        in.PARA1(1, c) = gene.mean0[t];
        in.PARA1(2, c) = gene.sd0[t];
        in.PARA2(1, c) = gene.mean1[t];
        in.PARA2(2, c) = gene.sd1[t];
    }
    mark_gaps(in);
    panel.fit = pair_posteriors(p, in, 1, 2);
    return panel;
}

}  // namespace coswitch
