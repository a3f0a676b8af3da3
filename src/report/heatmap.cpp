#include "report/heatmap.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/text.hpp"

namespace coswitch {
namespace {

const char* const kDiagonalColour = "#737373";

std::string p_text(double p) {
    if (std::isnan(p)) return "NaN";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3g", p);
    return buf;
}

// Every cell as a rect with its values in a tooltip.
void draw_cells(const std::vector<PairRow>& cells, const std::vector<std::string>& names,
                const HeatmapStyle& style, int left, int top, int cell,
                const std::function<void(const std::string&)>& add) {
    auto num = [](int v) { return std::to_string(v); };
    for (const PairRow& r : cells) {
        const std::string& a = names[static_cast<std::size_t>(r.i - 1)];
        const std::string& b = names[static_cast<std::size_t>(r.j - 1)];
        const std::string pair = xml_escape(a) + " and " + xml_escape(b);
        // Upper triangle: row i, column j; lower triangle: row j, column i.
        add("<rect class=\"dep\" x=\"" + num(left + (r.j - 1) * cell) + "\" y=\"" +
            num(top + (r.i - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + scale_fill(style.adjusted ? r.p_new_bh : r.p_new, style.scale) +
            "\"><title>" + pair + ": dependence statistic " + fixed(r.stat_new, 4) + ", p = " +
            p_text(r.p_new) + ", adjusted p = " + p_text(r.p_new_bh) + "</title></rect>");
        add("<rect class=\"corr\" x=\"" + num(left + (r.i - 1) * cell) + "\" y=\"" +
            num(top + (r.j - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + scale_fill(style.adjusted ? r.p_corr_bh : r.p_corr, style.scale) +
            "\"><title>" + pair + ": absolute correlation " + fixed(r.stat_corr, 4) + ", p = " +
            p_text(r.p_corr) + ", adjusted p = " + p_text(r.p_corr_bh) + "</title></rect>");
    }
}

}  // namespace

void draw_heatmap(const std::vector<PairRow>& cells, const std::vector<std::string>& names,
                  const HeatmapStyle& style, const std::function<void(const std::string&)>& emit) {
    const int n = static_cast<int>(names.size());
    bool any_nan = false;
    for (const PairRow& r : cells)
        any_nan = any_nan || (style.adjusted ? std::isnan(r.p_new_bh) || std::isnan(r.p_corr_bh)
                                             : std::isnan(r.p_new) || std::isnan(r.p_corr));
    const std::string p_name = style.adjusted ? "adjusted p" : "p";

    const int cell = std::clamp(720 / std::max(n, 1), 12, 36);
    const int font = std::clamp(cell - 2, 10, 13);
    std::size_t longest = 1;
    for (const std::string& s : names) longest = std::max(longest, text_width(s));
    const int label = static_cast<int>(std::ceil(static_cast<double>(longest) * font * 0.62)) + 8;
    const int grid = n * cell;
    const int left = 20 + label;
    const int top = 64 + label + (style.order_note.empty() ? 0 : 18);
    const int bar_x = left + grid + 40;
    const int bar_h = std::clamp(grid, 160, 320);
    const int legend_w = 290;
    const int width = std::max(bar_x + legend_w, 660);
    const int height = std::max(top + grid, top + bar_h + (any_nan ? 84 : 60)) + 24;

    auto add = [&](const std::string& s) { emit(s + "\n"); };
    auto num = [](int v) { return std::to_string(v); };
    const std::string title = xml_escape(style.title);
    add("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    add("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" +
        num(height) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
        "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">");
    add("<title>" + title + "</title>");
    emit(scale_gradient(style.scale));
    add("<rect width=\"" + num(width) + "\" height=\"" + num(height) + "\" fill=\"#ffffff\"/>");
    add("<text x=\"20\" y=\"28\" font-size=\"17\" font-weight=\"bold\">" + title + "</text>");
    add("<text x=\"20\" y=\"48\" font-size=\"12\">upper triangle: dependence statistic, lower "
        "triangle: correlation; colour: -log10 " + p_name + "</text>");
    if (!style.order_note.empty())
        add("<text x=\"20\" y=\"66\" font-size=\"12\">" + xml_escape(style.order_note) + "</text>");

    // Gene names: rows on the left, columns above the grid.
    add("<g font-size=\"" + num(font) + "\" fill=\"#000000\">");
    const int shift = static_cast<int>(std::lround(font * 0.35));
    for (int g = 1; g <= n; ++g) {
        const std::string nm = xml_escape(names[static_cast<std::size_t>(g - 1)]);
        const int mid = (g - 1) * cell + cell / 2;
        add("<text x=\"" + num(left - 5) + "\" y=\"" + num(top + mid + shift) +
            "\" text-anchor=\"end\">" + nm + "</text>");
        add("<text transform=\"translate(" + num(left + mid + shift) + "," + num(top - 5) +
            ") rotate(-90)\">" + nm + "</text>");
    }
    add("</g>");

    add("<g stroke=\"#ffffff\" stroke-width=\"1\">");
    for (int g = 1; g <= n; ++g)
        add("<rect class=\"diag\" x=\"" + num(left + (g - 1) * cell) + "\" y=\"" +
            num(top + (g - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + kDiagonalColour + "\"/>");
    draw_cells(cells, names, style, left, top, cell, add);
    add("</g>");

    LegendPlace legend;
    legend.x = bar_x;
    legend.y = top;
    legend.height = bar_h;
    legend.p_name = p_name;
    legend.any_nan = any_nan;
    draw_legend(style.scale, legend, add);
    add("</svg>");
}

std::string summary_svg(const PairTable& t, const std::vector<std::string>& names) {
    HeatmapStyle style;
    style.title = "coswitch: " + std::to_string(t.genes) + " genes, " +
                  std::to_string(t.rows.size()) + " gene pairs";
    std::string out;
    draw_heatmap(t.rows, names, style, [&](const std::string& s) { out += s; });
    return out;
}

}  // namespace coswitch
