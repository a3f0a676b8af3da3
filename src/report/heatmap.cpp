#include "report/heatmap.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "numeric/elementary.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

// Light yellow through orange and red to dark red, one stop per decade.
constexpr int kPalette[5][3] = {
    {255, 255, 204}, {254, 217, 118}, {253, 141, 60}, {227, 26, 28}, {128, 0, 38}};
// The top of the scale in -log10 p: smaller p-values share its colour.
constexpr int kDecades = 4;
const char* const kNaNColour = "#d9d9d9";
const char* const kDiagonalColour = "#737373";

std::string hex_colour(int r, int g, int b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", r, g, b);
    return buf;
}

// Colour at position u in [0, 1] of the scale.
std::string scale_colour(double u) {
    u = std::clamp(u, 0.0, 1.0);
    const int seg = std::min(3, static_cast<int>(u * 4.0));
    const double f = u * 4.0 - seg;
    int rgb[3];
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<int>(std::lround(kPalette[seg][c] +
                                              (kPalette[seg + 1][c] - kPalette[seg][c]) * f));
    return hex_colour(rgb[0], rgb[1], rgb[2]);
}

std::string p_colour(double p) {
    if (std::isnan(p)) return kNaNColour;
    if (p <= 0.0) return scale_colour(1.0);
    return scale_colour(-portable_log10(p) / kDecades);
}

std::string g_format(double v, const char* fmt) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string p_text(double p) {
    if (std::isnan(p)) return "NaN";
    return g_format(p, "%.3g");
}

std::string p_label(int k) {
    if (k == 0) return "1";
    if (k <= 3) return "0." + std::string(static_cast<std::size_t>(k - 1), '0') + "1";
    return "1e-" + std::to_string(k);
}

}  // namespace

void draw_heatmap(const std::vector<PairRow>& cells, const std::vector<std::string>& names,
                  const HeatmapStyle& style, const std::function<void(const std::string&)>& emit) {
    const int n = static_cast<int>(names.size());
    bool any_nan = false;
    for (const PairRow& r : cells)
        any_nan = any_nan || (style.adjusted ? std::isnan(r.p_new_bh) || std::isnan(r.p_corr_bh)
                                             : std::isnan(r.p_new) || std::isnan(r.p_corr));
    const std::string measure = style.adjusted ? "-log10 adjusted p" : "-log10 p";

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
    add("<defs><linearGradient id=\"scale\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">");
    for (int s = 0; s <= 4; ++s)
        add("<stop offset=\"" + g_format(s / 4.0, "%.2f") + "\" stop-color=\"" +
            hex_colour(kPalette[s][0], kPalette[s][1], kPalette[s][2]) + "\"/>");
    add("</linearGradient></defs>");
    add("<rect width=\"" + num(width) + "\" height=\"" + num(height) + "\" fill=\"#ffffff\"/>");
    add("<text x=\"20\" y=\"28\" font-size=\"17\" font-weight=\"bold\">" + title + "</text>");
    add("<text x=\"20\" y=\"48\" font-size=\"12\">upper triangle: dependence statistic, lower "
        "triangle: correlation; colour: " + measure + "</text>");
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
    for (const PairRow& r : cells) {
        const std::string& a = names[static_cast<std::size_t>(r.i - 1)];
        const std::string& b = names[static_cast<std::size_t>(r.j - 1)];
        const std::string pair = xml_escape(a) + " and " + xml_escape(b);
        // Upper triangle: row i, column j; lower triangle: row j, column i.
        add("<rect class=\"dep\" x=\"" + num(left + (r.j - 1) * cell) + "\" y=\"" +
            num(top + (r.i - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + p_colour(style.adjusted ? r.p_new_bh : r.p_new) + "\"><title>" + pair +
            ": dependence statistic " + fixed(r.stat_new, 4) + ", p = " + p_text(r.p_new) +
            ", adjusted p = " + p_text(r.p_new_bh) + "</title></rect>");
        add("<rect class=\"corr\" x=\"" + num(left + (r.i - 1) * cell) + "\" y=\"" +
            num(top + (r.j - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + p_colour(style.adjusted ? r.p_corr_bh : r.p_corr) + "\"><title>" +
            pair + ": absolute correlation " + fixed(r.stat_corr, 4) + ", p = " +
            p_text(r.p_corr) + ", adjusted p = " + p_text(r.p_corr_bh) + "</title></rect>");
    }
    add("</g>");

    // Colour legend: a bar from -log10 p = 0 (bottom) to the top decade.
    add("<g font-size=\"12\" fill=\"#000000\">");
    add("<text x=\"" + num(bar_x) + "\" y=\"" + num(top - 12) + "\">" + measure + "</text>");
    add("<rect x=\"" + num(bar_x) + "\" y=\"" + num(top) + "\" width=\"18\" height=\"" +
        num(bar_h) + "\" fill=\"url(#scale)\" stroke=\"#000000\" stroke-width=\"0.5\"/>");
    for (int k = 0; k <= kDecades; ++k) {
        const int y = top + bar_h - static_cast<int>(std::lround(bar_h * k / double(kDecades)));
        add("<line x1=\"" + num(bar_x + 18) + "\" y1=\"" + num(y) + "\" x2=\"" + num(bar_x + 23) +
            "\" y2=\"" + num(y) + "\" stroke=\"#000000\"/>");
        add("<text x=\"" + num(bar_x + 27) + "\" y=\"" + num(y + 4) + "\">" + std::to_string(k) +
            " (p = " + p_label(k) + (k == kDecades ? " or less" : "") + ")</text>");
    }
    const int sw_y = top + bar_h + 22;
    add("<rect x=\"" + num(bar_x) + "\" y=\"" + num(sw_y) + "\" width=\"18\" height=\"14\" fill=\"" +
        scale_colour(1.0) + "\"/>");
    add("<text x=\"" + num(bar_x + 27) + "\" y=\"" + num(sw_y + 11) +
        "\">p = 0 (below 1/M): top of the scale</text>");
    if (any_nan) {
        add("<rect x=\"" + num(bar_x) + "\" y=\"" + num(sw_y + 24) +
            "\" width=\"18\" height=\"14\" fill=\"" + kNaNColour + "\"/>");
        add("<text x=\"" + num(bar_x + 27) + "\" y=\"" + num(sw_y + 35) +
            "\">NaN: no p-value</text>");
    }
    add("</g>");
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
