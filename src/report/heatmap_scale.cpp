#include "report/heatmap_scale.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "io/number_text.hpp"
#include "numeric/elementary.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

// Light yellow through orange and red to dark red, one stop per decade.
constexpr int kPalette[5][3] = {
    {255, 255, 204}, {254, 217, 118}, {253, 141, 60}, {227, 26, 28}, {128, 0, 38}};
const char* const kNaNColour = "#d9d9d9";
const char* const kPaleColour = "#f0f0f0";

// With a pass level the lightest stop goes: a pair that barely passes must
// still differ plainly from the pale ones.
int first_stop(const HeatmapScale& s) { return s.pass > 0 ? 1 : 0; }

// -log10 p where the colours start.
double bottom(const HeatmapScale& s) { return s.pass > 0 ? -portable_log10(s.pass) : 0.0; }

std::string hex_colour(const int* rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return buf;
}

// Colour at position u in [0, 1] of the palette from stop `first` on.
std::string scale_colour(double u, int first) {
    const int segments = 4 - first;
    u = std::clamp(u, 0.0, 1.0);
    const int seg = std::min(segments - 1, static_cast<int>(u * segments));
    const double f = u * segments - seg;
    const int* a = kPalette[first + seg];
    const int* b = kPalette[first + seg + 1];
    int rgb[3];
    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<int>(std::lround(a[c] + (b[c] - a[c]) * f));
    return hex_colour(rgb);
}

std::string p_label(int k) {
    if (k == 0) return "1";
    if (k <= 3) return "0." + std::string(static_cast<std::size_t>(k - 1), '0') + "1";
    return "1e-" + std::to_string(k);
}

}  // namespace

std::string scale_fill(double p, const HeatmapScale& s) {
    if (std::isnan(p)) return kNaNColour;
    if (s.pass > 0 && p >= s.pass) return kPaleColour;
    if (p <= 0.0) return scale_colour(1.0, first_stop(s));
    const double lo = bottom(s);
    return scale_colour((-portable_log10(p) - lo) / (s.top - lo), first_stop(s));
}

std::string scale_gradient(const HeatmapScale& s) {
    const int first = first_stop(s);
    std::string out = "<defs><linearGradient id=\"scale\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">\n";
    for (int k = first; k <= 4; ++k)
        out += "<stop offset=\"" + fixed((k - first) / double(4 - first), 2) +
               "\" stop-color=\"" + hex_colour(kPalette[k]) + "\"/>\n";
    return out + "</linearGradient></defs>\n";
}

void draw_legend(const HeatmapScale& s, const LegendPlace& at,
                 const std::function<void(const std::string&)>& add) {
    auto num = [](int v) { return std::to_string(v); };
    auto y_of = [&](double v) {
        return at.y + at.height - static_cast<int>(std::lround(at.height * v / s.top));
    };
    auto bar = [&](int y, int h, const std::string& fill) {
        add("<rect x=\"" + num(at.x) + "\" y=\"" + num(y) + "\" width=\"18\" height=\"" + num(h) +
            "\" fill=\"" + fill + "\" stroke=\"#000000\" stroke-width=\"0.5\"/>");
    };
    auto tick = [&](int y, const std::string& words) {
        add("<line x1=\"" + num(at.x + 18) + "\" y1=\"" + num(y) + "\" x2=\"" + num(at.x + 23) +
            "\" y2=\"" + num(y) + "\" stroke=\"#000000\"/>");
        if (!words.empty())
            add("<text x=\"" + num(at.x + 27) + "\" y=\"" + num(y + 4) + "\">" + words + "</text>");
    };
    add("<g font-size=\"12\" fill=\"#000000\">");
    add("<text x=\"" + num(at.x) + "\" y=\"" + num(at.y - 12) + "\">-log10 " + at.p_name +
        "</text>");
    const double lo = bottom(s);
    const int lo_y = y_of(lo);
    if (lo > 0) bar(lo_y, at.y + at.height - lo_y, kPaleColour);
    bar(at.y, lo_y - at.y, "url(#scale)");

    // The pass level and a top between decades get their words; a decade's
    // words that would overlap theirs go.
    std::vector<std::pair<int, std::string>> marks;
    if (lo > 0) marks.emplace_back(lo_y, fixed(lo, 2) + " (p = " + significant(s.pass, 6) + ")");
    const int decades = static_cast<int>(std::floor(s.top));
    if (decades < s.top)
        marks.emplace_back(at.y, fixed(s.top, 2) + " (p = " + s.top_note + ")");
    for (int k = 0; k <= decades; ++k) {
        const int y = y_of(k);
        bool clear = true;
        for (const auto& m : marks) clear = clear && std::abs(m.first - y) >= 14;
        tick(y, clear ? std::to_string(k) + " (p = " + p_label(k) + (k == s.top ? " or less" : "") + ")"
                      : std::string());
    }
    for (const auto& m : marks) tick(m.first, m.second);

    const int sw_y = at.y + at.height + 22;
    auto swatch = [&](int y, const std::string& fill, const std::string& words) {
        add("<rect x=\"" + num(at.x) + "\" y=\"" + num(y) + "\" width=\"18\" height=\"14\" fill=\"" +
            fill + "\"/>");
        add("<text x=\"" + num(at.x + 27) + "\" y=\"" + num(y + 11) + "\">" + words + "</text>");
    };
    if (s.zero)
        swatch(sw_y, scale_colour(1.0, first_stop(s)), "p = 0 (below 1/M): top of the scale");
    else if (lo > 0)
        swatch(sw_y, kPaleColour,
               at.p_name + " of " + significant(s.pass, 6) + " or more: does not pass");
    if (at.any_nan) swatch(sw_y + 24, kNaNColour, "NaN: no p-value");
    add("</g>");
}

}  // namespace coswitch
