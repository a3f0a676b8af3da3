#include "report/pair_panel.hpp"

#include <algorithm>
#include <cmath>

#include "numeric/elementary.hpp"
#include "io/number_text.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

constexpr double kWidth = 780, kLeft = 72, kRight = 118;
constexpr double kPlotHeight = 130, kStripHeight = 20, kStripGap = 4;
const char* const kReplicateColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd",
                                         "#ff7f0e", "#8c564b", "#e377c2", "#17becf"};
// 00 pale and 11 dark blue, so that pairs in phase read as light and dark;
// the mixed states orange and green, so that pairs in opposite phase stand out.
const char* const kCellColours[4] = {"#c6d4e3", "#f28e2b", "#59a14f", "#1f4e8c"};
const char* const kCellNames[4] = {"00", "01", "10", "11"};
const char* const kLostColour = "#9e9e9e";

std::string num(double v) {
    std::string s;
    append_fixed(s, v, 1);
    return s;
}


// A linear map from data to picture coordinates.
struct Scale {
    double d0, d1, p0, p1;
    double operator()(double v) const { return p0 + (v - d0) * (p1 - p0) / (d1 - d0); }
};

// Round steps (1, 2 or 5 times a power of ten) across [lo, hi], about
// `target` of them, and the decimals their labels need.
std::vector<double> ticks(double lo, double hi, int target, int& decimals) {
    double raw = (hi - lo) / target;
    if (!(raw > 0) || !std::isfinite(raw)) raw = 1;
    int e = static_cast<int>(std::floor(portable_log10(raw)));
    double power = 1;
    for (int k = 0; k < e; ++k) power *= 10;
    for (int k = 0; k > e; --k) power /= 10;
    const double f = raw / power;
    double m = f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10;
    if (m == 10) {
        m = 1;
        ++e;
        power *= 10;
    }
    const double step = m * power;
    decimals = std::max(0, -e);
    std::vector<double> out;
    for (double k = std::ceil(lo / step); k * step <= hi && out.size() < 40; k += 1)
        out.push_back(k * step);
    return out;
}

std::string phase_text(const std::string& phase) {
    if (phase == "in") return "in (the two switch together)";
    if (phase == "anti") return "anti (one is high when the other is low)";
    return phase + " (the fit cannot tell)";
}

std::string text_at(double x, double y, const std::string& body, const std::string& extra = "") {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"" + extra + ">" + body + "</text>\n";
}

// Width of text in pixels at a font size, roughly, for laying out legends.
double text_pixels(const std::string& s, double font) {
    return static_cast<double>(text_width(s)) * font * 0.6;
}

struct Layout {
    Scale x;
    double right;  // of the plots
};

// One gene's values and state means; returns the bottom of its plot.
double draw_gene(std::string& svg, const PairPanel& p, int g, double top, const Layout& L) {
    const PanelGene& gene = p.genes[static_cast<std::size_t>(g)];
    const PanelDesign& d = p.design;
    double lo = 0, hi = 0;
    bool any = false;
    for (const auto* v : {&gene.values, &gene.mean0, &gene.mean1})
        for (double x : *v)
            if (std::isfinite(x)) {
                lo = any ? std::min(lo, x) : x;
                hi = any ? std::max(hi, x) : x;
                any = true;
            }
    const double pad = hi > lo ? (hi - lo) * 0.06 : 1.0;
    lo -= pad;
    hi += pad;
    const double y0 = top + 20, y1 = y0 + kPlotHeight;
    const Scale y{lo, hi, y1, y0};
    const std::string id = xml_escape(gene.id);
    svg += text_at(kLeft, top + 13, id, " font-size=\"13\" font-weight=\"bold\"");
    svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(y0) + "\" width=\"" + num(L.right - kLeft) +
           "\" height=\"" + num(kPlotHeight) + "\" fill=\"none\" stroke=\"#999999\"/>\n";
    svg += "<g stroke=\"#ececec\">";
    for (double t : d.times)
        svg += "<line x1=\"" + num(L.x(t)) + "\" y1=\"" + num(y0) + "\" x2=\"" + num(L.x(t)) +
               "\" y2=\"" + num(y1) + "\"/>";
    svg += "</g>\n";
    int decimals = 0;
    svg += "<g font-size=\"11\" text-anchor=\"end\">";
    for (double v : ticks(lo, hi, 4, decimals)) {
        svg += "<line x1=\"" + num(kLeft - 4) + "\" y1=\"" + num(y(v)) + "\" x2=\"" + num(kLeft) +
               "\" y2=\"" + num(y(v)) + "\" stroke=\"#000000\"/>";
        svg += text_at(kLeft - 7, y(v) + 4, fixed(v, decimals));
    }
    svg += "</g>\n";

    // The fitted state means: flat in gene mode, one per time point in time mode.
    double label_y[2];
    for (int s = 0; s < 2; ++s) {
        const std::vector<double>& mean = s == 0 ? gene.mean0 : gene.mean1;
        std::string points;
        if (p.time_mode) {
            for (int t = 0; t < d.ntime; ++t)
                points += (t ? " " : "") + num(L.x(d.times[static_cast<std::size_t>(t)])) + "," +
                          num(y(mean[static_cast<std::size_t>(t)]));
        } else {
            points = num(kLeft) + "," + num(y(mean[0])) + " " + num(L.right) + "," + num(y(mean[0]));
        }
        svg += "<polyline points=\"" + points +
               "\" fill=\"none\" stroke=\"#444444\" stroke-width=\"1.2\" stroke-dasharray=\"6 4\"/>\n";
        label_y[s] = y(mean.back()) + 4;
    }
    // Labels of close means apart, low below high.
    if (label_y[0] - label_y[1] < 13) {
        const double mid = (label_y[0] + label_y[1]) / 2;
        label_y[0] = mid + 6.5;
        label_y[1] = mid - 6.5;
    }
    for (int s = 0; s < 2; ++s) {
        const std::vector<double>& mean = s == 0 ? gene.mean0 : gene.mean1;
        std::string label = s == 0 ? "low" : "high";
        if (!p.time_mode) label += " " + significant(mean[0], 3);
        svg += text_at(L.right + 6, label_y[s], label, " font-size=\"11\" fill=\"#444444\"");
    }

    // A line and points per replicate; a missing value has no point, and
    // the line goes from the value before it to the value after.
    for (int r = 0; r < d.nrep; ++r) {
        const char* colour = kReplicateColours[r % 8];
        std::string points, dots;
        for (int t = 0; t < d.ntime; ++t) {
            const double v = gene.values[static_cast<std::size_t>(t * d.nrep + r)];
            if (v != v) continue;
            const std::string at_x = num(L.x(d.times[static_cast<std::size_t>(t)])), at_y = num(y(v));
            points += (points.empty() ? "" : " ") + at_x + "," + at_y;
            dots += "<circle cx=\"" + at_x + "\" cy=\"" + at_y + "\" r=\"2.6\"><title>" + id +
                    ", replicate " + xml_escape(d.replicate_labels[static_cast<std::size_t>(r)]) +
                    ", time " + xml_escape(d.time_labels[static_cast<std::size_t>(t)]) + ": " +
                    significant(v, 4) + "</title></circle>";
        }
        svg += "<g stroke=\"" + std::string(colour) + "\" fill=\"" + colour +
               "\"><polyline points=\"" + points +
               "\" fill=\"none\" stroke-width=\"1.5\" stroke-opacity=\"0.85\"/>" + dots + "</g>\n";
    }
    return y1;
}

}  // namespace

std::string pair_panel_svg(const PairPanel& p) {
    const PanelDesign& d = p.design;
    const PairFigures& f = p.figures;
    const std::vector<double>& times = d.times;
    // A margin of the whole span, not of the end gaps, which may be wide (24 to 48 h).
    const double margin = (times.back() - times.front()) * 0.03;
    const double first = times.front() - margin, last = times.back() + margin;
    Layout L{{first, last, kLeft, kWidth - kRight}, kWidth - kRight};
    const std::string a = xml_escape(p.genes[0].id), b = xml_escape(p.genes[1].id);

    std::string body;
    body += text_at(16, 24, a + " and " + b, " font-size=\"16\" font-weight=\"bold\"");
    body += "<g font-size=\"12\">\n";
    body += text_at(16, 44, "rank " + std::to_string(f.rank) + " of " + std::to_string(p.pairs) +
                                " pairs by dependence p-value; phase: " + xml_escape(phase_text(f.phase)));
    body += text_at(16, 62, "dependence statistic " + fixed(p.fit.stat, 4) + ", p = " +
                                significant(f.p_new, 4) +
                                ", adjusted p = " + significant(f.p_new_bh, 4));
    body += text_at(16, 80, "correlation r = " + fixed(f.r, 4) +
                                ", p = " + significant(f.p_corr, 4) +
                                ", adjusted p = " + significant(f.p_corr_bh, 4));
    body += "</g>\n";

    // Legend of the lines: replicates by colour, then the dashed state means.
    double lx = 16, ly = 102;
    body += "<g font-size=\"12\">";
    body += text_at(lx, ly + 4, "replicates:");
    lx += text_pixels("replicates:", 12) + 10;
    for (int r = 0; r < d.nrep; ++r) {
        const std::string label = xml_escape(d.replicate_labels[static_cast<std::size_t>(r)]);
        const double w = 30 + text_pixels(d.replicate_labels[static_cast<std::size_t>(r)], 12) + 12;
        if (lx + w > kWidth - 16) {
            lx = 16 + text_pixels("replicates:", 12) + 10;
            ly += 18;
        }
        const char* colour = kReplicateColours[r % 8];
        body += "<line x1=\"" + num(lx) + "\" y1=\"" + num(ly) + "\" x2=\"" + num(lx + 24) +
                "\" y2=\"" + num(ly) + "\" stroke=\"" + colour + "\" stroke-width=\"1.5\"/>";
        body += "<circle cx=\"" + num(lx + 12) + "\" cy=\"" + num(ly) + "\" r=\"2.6\" fill=\"" +
                colour + "\"/>";
        body += text_at(lx + 30, ly + 4, label);
        lx += w;
    }
    ly += 18;
    body += "<line x1=\"16\" y1=\"" + num(ly) + "\" x2=\"40\" y2=\"" + num(ly) +
            "\" stroke=\"#444444\" stroke-width=\"1.2\" stroke-dasharray=\"6 4\"/>";
    body += text_at(46, ly + 4, std::string("each gene's two fitted state means (low, high)") +
                                    (p.time_mode ? ", per time point" : ""));
    body += "</g>\n";

    double bottom = draw_gene(body, p, 0, ly + 10, L);
    bottom = draw_gene(body, p, 1, bottom + 8, L);

    // The time axis under the second gene.
    int decimals = 0;
    body += "<g font-size=\"11\" text-anchor=\"middle\">";
    for (double t : ticks(times.front(), times.back(), 6, decimals)) {
        body += "<line x1=\"" + num(L.x(t)) + "\" y1=\"" + num(bottom) + "\" x2=\"" + num(L.x(t)) +
                "\" y2=\"" + num(bottom + 4) + "\" stroke=\"#000000\"/>";
        body += text_at(L.x(t), bottom + 16, fixed(t, decimals));
    }
    body += "</g>\n";
    body += text_at((kLeft + L.right) / 2, bottom + 32, xml_escape(d.time_title),
                    " font-size=\"12\" text-anchor=\"middle\"");

    // The joint state: one strip per replicate, each time point's posteriors
    // stacked over the stretch of axis nearer to it than to its neighbours.
    double top = bottom + 58;
    body += text_at(16, top, "joint state as the fitted chain infers it: posterior probability at each time point",
                    " font-size=\"13\" font-weight=\"bold\"");
    top += 10;
    body += "<g shape-rendering=\"crispEdges\">\n";
    for (int r = 0; r < d.nrep; ++r) {
        const double y0 = top + r * (kStripHeight + kStripGap);
        const std::string rep = xml_escape(d.replicate_labels[static_cast<std::size_t>(r)]);
        body += text_at(kLeft - 6, y0 + kStripHeight / 2 + 4, rep,
                        " font-size=\"11\" text-anchor=\"end\"");
        for (int t = 0; t < d.ntime; ++t) {
            const std::size_t u = static_cast<std::size_t>(t);
            const double x0 = t == 0 ? first : (times[u - 1] + times[u]) / 2;
            const double x1 = t + 1 == d.ntime ? last : (times[u] + times[u + 1]) / 2;
            // Each cell reaches a little under the next, so that no seam shows between them.
            const std::string xs = num(L.x(x0)),
                              ws = num(L.x(x1) - L.x(x0) + (t + 1 < d.ntime ? 0.6 : 0.0));
            double g[4], sum = 0;
            for (int k = 0; k < 4; ++k) {
                g[k] = p.fit.gamma(r + 1, t + 1, k + 1);
                sum += g[k];
            }
            std::string title = "replicate " + rep + ", time " + xml_escape(d.time_labels[u]) + ": ";
            if (!(sum > 0.5)) {
                body += "<rect x=\"" + xs + "\" y=\"" + num(y0) + "\" width=\"" + ws + "\" height=\"" +
                        num(kStripHeight) + "\" fill=\"" + kLostColour + "\"><title>" + title +
                        "no possible course</title></rect>\n";
                continue;
            }
            for (int k = 0; k < 4; ++k)
                title += std::string(k ? ", " : "") + kCellNames[k] + " " + fixed(g[k], 3);
            body += "<g><title>" + title + "</title>";
            // Shares under a pixel would draw as stray lines: the others fill
            // the strip, and the title keeps the exact values.
            double shown = 0;
            for (int k = 0; k < 4; ++k) shown += g[k] * kStripHeight >= 1 ? g[k] : 0;
            double base = y0 + kStripHeight;
            for (int k = 0; k < 4; ++k) {
                const double h = g[k] * kStripHeight >= 1 ? g[k] / shown * kStripHeight : 0;
                if (h > 0)
                    body += "<rect x=\"" + xs + "\" y=\"" + num(base - h) + "\" width=\"" + ws +
                            "\" height=\"" + num(h) + "\" fill=\"" + kCellColours[k] + "\"/>";
                base -= h;
            }
            body += "</g>\n";
        }
    }
    body += "</g>\n";
    double y = top + d.nrep * (kStripHeight + kStripGap);
    body += "<g stroke=\"#000000\">";
    for (double t : times)
        body += "<line x1=\"" + num(L.x(t)) + "\" y1=\"" + num(y - kStripGap) + "\" x2=\"" +
                num(L.x(t)) + "\" y2=\"" + num(y) + "\"/>";
    body += "</g>\n";

    // What the colours mean, with the genes' names.
    const std::string meaning[4] = {"both low", a + " low, " + b + " high", a + " high, " + b + " low",
                                    "both high"};
    y += 18;
    body += "<g font-size=\"12\">";
    for (int k = 0; k < 4; ++k) {
        const double x = k % 2 == 0 ? 16 : kWidth / 2;
        const double row = y + (k / 2) * 20;
        body += "<rect x=\"" + num(x) + "\" y=\"" + num(row - 11) + "\" width=\"14\" height=\"14\" fill=\"" +
                kCellColours[k] + "\"/>";
        body += text_at(x + 20, row, std::string(kCellNames[k]) + ": " + meaning[k]);
    }
    body += "</g>\n";
    const double height = y + 34;

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"pair-panel\" width=\"" +
                      num(kWidth) + "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(kWidth) +
                      " " + num(height) + "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n";
    svg += "<title>" + a + " and " + b + "</title>\n";
    svg += "<rect width=\"" + num(kWidth) + "\" height=\"" + num(height) + "\" fill=\"#ffffff\"/>\n";
    return svg + body + "</svg>\n";
}

}  // namespace coswitch
