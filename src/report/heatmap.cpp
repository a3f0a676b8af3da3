#include "report/heatmap.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "io/number_text.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

const char* const kDiagonalColour = "#737373";

// Every cell as a rect with its values in a tooltip.
void draw_cells(const HeatmapCells& cells, const std::vector<std::string>& names,
                const HeatmapStyle& style, int left, int top, int cell,
                const std::function<void(const std::string&)>& add) {
    auto num = [](int v) { return std::to_string(v); };
    cells([&](const PairRow& r) {
        const std::string& a = names[static_cast<std::size_t>(r.i - 1)];
        const std::string& b = names[static_cast<std::size_t>(r.j - 1)];
        const std::string pair = xml_escape(a) + " and " + xml_escape(b);
        // Upper triangle: row i, column j; lower triangle: row j, column i.
        add("<rect class=\"dep\" x=\"" + num(left + (r.j - 1) * cell) + "\" y=\"" +
            num(top + (r.i - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + scale_fill(style.adjusted ? r.p_new_bh : r.p_new, style.scale) +
            "\"><title>" + pair + ": dependence statistic " + fixed(r.stat_new, 4) + ", p = " +
            significant(r.p_new, 3) + ", adjusted p = " + significant(r.p_new_bh, 3) +
            "</title></rect>");
        add("<rect class=\"corr\" x=\"" + num(left + (r.i - 1) * cell) + "\" y=\"" +
            num(top + (r.j - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + scale_fill(style.adjusted ? r.p_corr_bh : r.p_corr, style.scale) +
            "\"><title>" + pair + ": absolute correlation " + fixed(r.stat_corr, 4) + ", p = " +
            significant(r.p_corr, 3) + ", adjusted p = " + significant(r.p_corr_bh, 3) +
            "</title></rect>");
    });
}

// Cells without tooltips: in units of a cell, each run of one colour in a
// row is a stroke "M column row h length" of the path of its colour and
// triangle, a dozen bytes whatever the data.
void draw_runs(const HeatmapCells& cells, int n, const HeatmapStyle& style, int left,
               int top, int cell, const std::function<void(const std::string&)>& add) {
    std::vector<std::string> fills;
    std::map<std::string, int> fill_index;
    auto index = [&](double p) {
        const auto [it, added] =
            fill_index.emplace(scale_fill(p, style.scale), static_cast<int>(fills.size()));
        if (added) fills.push_back(it->first);
        return it->second;
    };
    // The fill of each cell, row by row; -1 where there is none.
    const auto un = static_cast<std::size_t>(n);
    std::vector<int> fill_at(un * un, -1);
    cells([&](const PairRow& r) {
        const auto i = static_cast<std::size_t>(r.i - 1), j = static_cast<std::size_t>(r.j - 1);
        fill_at[i * un + j] = index(style.adjusted ? r.p_new_bh : r.p_new);
        fill_at[j * un + i] = index(style.adjusted ? r.p_corr_bh : r.p_corr);
    });
    // The diagonal parts the triangles, so a run never holds both.
    std::map<std::pair<bool, int>, std::string> paths;
    for (std::size_t row = 0; row < un; ++row)
        for (std::size_t col = 0; col < un;) {
            const int f = fill_at[row * un + col];
            std::size_t end = col + 1;
            while (end < un && fill_at[row * un + end] == f) ++end;
            if (f >= 0)
                paths[{col < row, f}] += "M" + std::to_string(col) + " " + std::to_string(row) +
                                         "h" + std::to_string(end - col);
            col = end;
        }
    const std::string mid = cell % 2 == 0 ? std::to_string(top + cell / 2)
                                          : std::to_string(top + cell / 2) + ".5";
    add("<g transform=\"translate(" + std::to_string(left) + "," + mid + ") scale(" +
        std::to_string(cell) + ")\" fill=\"none\" stroke-width=\"1\">");
    for (const auto& [key, d] : paths)
        add(std::string("<path class=\"") + (key.first ? "corr" : "dep") + "\" stroke=\"" +
            fills[static_cast<std::size_t>(key.second)] + "\" d=\"" + d + "\"/>");
    add("</g>");
}

}  // namespace

void draw_heatmap(const HeatmapCells& cells, const std::vector<std::string>& names,
                  const HeatmapStyle& style, const std::function<void(const std::string&)>& emit) {
    const int n = static_cast<int>(names.size());
    bool any_nan = false;
    cells([&](const PairRow& r) {
        any_nan = any_nan || (style.adjusted ? std::isnan(r.p_new_bh) || std::isnan(r.p_corr_bh)
                                             : std::isnan(r.p_new) || std::isnan(r.p_corr));
    });
    const std::string p_name = style.adjusted ? "adjusted p" : "p";
    const bool tooltips = n <= kTooltipGenes;
    std::vector<std::string> notes;
    if (!style.order_note.empty()) notes.push_back(style.order_note);
    if (!tooltips)
        notes.push_back("no tooltips above " + std::to_string(kTooltipGenes) +
                        " genes, to keep the file small");

    const int cell = std::clamp(720 / std::max(n, 1), 12, 36);
    const int font = std::clamp(cell - 2, 10, 13);
    std::size_t longest = 1;
    for (const std::string& s : names) longest = std::max(longest, text_width(s));
    const int label = static_cast<int>(std::ceil(static_cast<double>(longest) * font * 0.62)) + 8;
    const int grid = n * cell;
    const int left = 20 + label;
    const int top = 64 + label + 18 * static_cast<int>(notes.size());
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
    for (std::size_t k = 0; k < notes.size(); ++k)
        add("<text x=\"20\" y=\"" + num(66 + 18 * static_cast<int>(k)) + "\" font-size=\"12\">" +
            xml_escape(notes[k]) + "</text>");

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
    if (tooltips) draw_cells(cells, names, style, left, top, cell, add);
    add("</g>");
    if (!tooltips) draw_runs(cells, n, style, left, top, cell, add);

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
    const HeatmapCells rows = [&](const std::function<void(const PairRow&)>& take) {
        for (const PairRow& r : t.rows) take(r);
    };
    draw_heatmap(rows, names, style, [&](const std::string& s) { out += s; });
    return out;
}

}  // namespace coswitch
