#include "run/summary_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

#include "analysis/adjust.hpp"
#include "run/errors.hpp"
#include "run/readers.hpp"

namespace coswitch {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string> split_words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !is_blank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// Lines without their line ends (LF or CR LF).
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        pos = end + 1;
    }
    return lines;
}

[[noreturn]] void bad_line(const std::string& name, int line_no, const std::string& what) {
    throw RunError(kExitInput, name + ":" + std::to_string(line_no) + ": " + what);
}

bool parse_gene(const std::string& word, int& out) {
    if (word.empty() || word.size() > 9) return false;
    for (char c : word)
        if (c < '0' || c > '9') return false;
    out = std::stoi(word);
    return out >= 1;
}

// A field as the analysis writes it; asterisks mean a value too large for it.
bool parse_field(const std::string& word, double& out, bool& overflow) {
    overflow = false;
    if (word == "NaN") {
        out = kNaN;
        return true;
    }
    if (word == "Infinity" || word == "+Infinity") {
        out = kInf;
        return true;
    }
    if (word == "-Infinity") {
        out = -kInf;
        return true;
    }
    if (word.find_first_not_of('*') == std::string::npos) {
        out = kInf;
        overflow = true;
        return true;
    }
    return parse_number(word, out);
}

// Display width of UTF-8 text: one column per code point.
std::size_t text_width(const std::string& s) {
    std::size_t w = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++w;
    return w;
}

bool valid_utf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        const unsigned char second = static_cast<unsigned char>(s[i + 1]);
        if (second < lo || second > hi) return false;
        for (std::size_t k = 2; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

std::string fixed(double v, int decimals) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string general(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

// Aligned columns: numbers to the right, names to the left.
std::string aligned(const std::vector<std::vector<std::string>>& cells,
                    const std::vector<bool>& left) {
    std::vector<std::size_t> width(left.size(), 0);
    for (const auto& row : cells)
        for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], text_width(row[c]));
    std::string out;
    for (const auto& row : cells) {
        std::string line = " ";
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(width[c] - text_width(row[c]), ' ');
            if (c > 0) line += "  ";
            line += left[c] ? row[c] + pad : pad + row[c];
        }
        while (line.size() > 1 && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

std::string xml_escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

PairTable parse_pvalues(const std::string& text, const std::string& name) {
    PairTable t;
    std::vector<std::pair<int, int>> seen;
    const std::vector<std::string> lines = split_lines(text);
    bool first = true;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const int line_no = static_cast<int>(n) + 1;
        const std::vector<std::string> w = split_words(lines[n]);
        if (w.empty()) continue;
        if (first && w[0] == "Gene1") {
            first = false;
            continue;
        }
        first = false;
        if (w.size() != 6)
            bad_line(name, line_no,
                     "expected 6 fields (gene, gene, statistic, p-value, correlation, "
                     "p-value), found " + std::to_string(w.size()));
        PairRow r;
        if (!parse_gene(w[0], r.i) || !parse_gene(w[1], r.j))
            bad_line(name, line_no, "\"" + w[0] + " " + w[1] + "\" is not a pair of gene numbers");
        if (r.i >= r.j)
            bad_line(name, line_no,
                     "pair (" + w[0] + ", " + w[1] + ") does not have its smaller gene first");
        double* values[4] = {&r.stat_new, &r.p_new, &r.stat_corr, &r.p_corr};
        for (int k = 0; k < 4; ++k) {
            bool overflow = false;
            const std::string& word = w[static_cast<std::size_t>(k) + 2];
            if (!parse_field(word, *values[k], overflow))
                bad_line(name, line_no, "cannot read \"" + word + "\" as a number");
            const bool is_p = k == 1 || k == 3;
            if (is_p && !std::isnan(*values[k]) && !(*values[k] >= 0.0 && *values[k] <= 1.0))
                bad_line(name, line_no, "\"" + word + "\" is not a p-value");
            if (overflow) ++t.too_large;
        }
        seen.emplace_back(r.i, r.j);
        t.genes = std::max(t.genes, r.j);
        t.rows.push_back(r);
    }
    if (t.rows.empty())
        throw RunError(kExitInput, name + ": no gene pairs (a run writes them at its end, and "
                                          "needs at least 2 genes)");
    std::sort(seen.begin(), seen.end());
    const auto dup = std::adjacent_find(seen.begin(), seen.end());
    if (dup != seen.end())
        throw RunError(kExitInput, name + ": pair (" + std::to_string(dup->first) + ", " +
                                       std::to_string(dup->second) + ") appears twice");
    return t;
}

void adjust(PairTable& t) {
    std::vector<double> p_new, p_corr;
    for (const PairRow& r : t.rows) {
        p_new.push_back(r.p_new);
        p_corr.push_back(r.p_corr);
    }
    const std::vector<double> a_new = benjamini_hochberg(p_new);
    const std::vector<double> a_corr = benjamini_hochberg(p_corr);
    for (std::size_t k = 0; k < t.rows.size(); ++k) {
        t.rows[k].p_new_bh = a_new[k];
        t.rows[k].p_corr_bh = a_corr[k];
    }
}

std::vector<std::string> parse_names(const std::string& text, const std::string& name,
                                     int expected) {
    std::vector<std::string> lines = split_lines(text);
    while (!lines.empty() && split_words(lines.back()).empty()) lines.pop_back();
    std::vector<std::string> names;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const int line_no = static_cast<int>(n) + 1;
        std::string s = lines[n];
        const std::size_t b = s.find_first_not_of(" \t");
        if (b == std::string::npos) bad_line(name, line_no, "empty name");
        s = s.substr(b, s.find_last_not_of(" \t") - b + 1);
        if (!valid_utf8(s)) bad_line(name, line_no, "the name is not UTF-8 text");
        for (unsigned char c : s)
            if (c < 0x20 || c == 0x7F)
                bad_line(name, line_no, "the name holds a tab or a control character");
        names.push_back(s);
    }
    if (static_cast<int>(names.size()) != expected)
        throw RunError(kExitInput, name + ": " + std::to_string(names.size()) +
                                       " names, expected " + std::to_string(expected) +
                                       " (one per gene of pvalue.txt, in the column order of "
                                       "realdata.txt)");
    return names;
}

std::vector<std::string> number_names(int genes) {
    std::vector<std::string> names;
    for (int g = 1; g <= genes; ++g) names.push_back(std::to_string(g));
    return names;
}

std::vector<std::size_t> ranking(const PairTable& t) {
    std::vector<std::size_t> order(t.rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Smaller first, not-a-number after every number; equal keys keep pair order.
    auto before = [](double a, double b, bool& decided) {
        decided = true;
        if (std::isnan(a) != std::isnan(b)) return std::isnan(b);
        if (!std::isnan(a) && a != b) return a < b;
        decided = false;
        return false;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const PairRow& a = t.rows[x];
        const PairRow& b = t.rows[y];
        bool decided = false;
        bool r = before(a.p_new_bh, b.p_new_bh, decided);
        if (decided) return r;
        r = before(a.p_new, b.p_new, decided);
        return decided && r;
    });
    return order;
}

std::string summary_text(const PairTable& t, const std::vector<std::string>& names,
                         bool names_given, int top, const std::string& source) {
    std::size_t tested_new = 0, tested_corr = 0;
    for (const PairRow& r : t.rows) {
        if (!std::isnan(r.p_new)) ++tested_new;
        if (!std::isnan(r.p_corr)) ++tested_corr;
    }
    std::string out = " " + source + ": " + std::to_string(t.rows.size()) + " gene pairs of " +
                      std::to_string(t.genes) + " genes\n";
    out += " Benjamini-Hochberg adjustment over " + std::to_string(tested_new) +
           " dependence and " + std::to_string(tested_corr) +
           " correlation p-values (NaN ones are not counted)\n";
    out += " a p-value of 0 is below 1/M, M = bootstrap replicates x gene pairs\n";
    if (t.too_large > 0)
        out += " note: " + std::to_string(t.too_large) +
               (t.too_large == 1 ? " statistic was" : " statistics were") +
               " too large for its field in " + source +
               " (100000 or more) and are taken as Inf\n";
    const std::size_t shown = std::min(t.rows.size(), static_cast<std::size_t>(std::max(top, 0)));
    if (shown == 0) return out;
    out += " top " + std::to_string(shown) + " of " + std::to_string(t.rows.size()) +
           " pairs by adjusted dependence p-value:\n";
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string> head = {"rank", "gene1", "gene2"};
    if (names_given) head.insert(head.end(), {"name1", "name2"});
    head.insert(head.end(), {"stat_new", "p_new", "p_new_bh", "stat_corr", "p_corr", "p_corr_bh"});
    cells.push_back(head);
    const std::vector<std::size_t> order = ranking(t);
    for (std::size_t k = 0; k < shown; ++k) {
        const PairRow& r = t.rows[order[k]];
        std::vector<std::string> row = {std::to_string(k + 1), std::to_string(r.i),
                                        std::to_string(r.j)};
        if (names_given)
            row.insert(row.end(), {names[static_cast<std::size_t>(r.i - 1)],
                                   names[static_cast<std::size_t>(r.j - 1)]});
        row.insert(row.end(), {fixed(r.stat_new, 4), fixed(r.p_new, 6), fixed(r.p_new_bh, 6),
                               fixed(r.stat_corr, 4), fixed(r.p_corr, 6), fixed(r.p_corr_bh, 6)});
        cells.push_back(row);
    }
    std::vector<bool> left(head.size(), false);
    if (names_given) left[3] = left[4] = true;
    return out + aligned(cells, left);
}

std::string summary_tsv(const PairTable& t, const std::vector<std::string>& names) {
    std::string out =
        "gene1\tgene2\tname1\tname2\tstat_new\tp_new\tp_new_bh\tstat_corr\tp_corr\tp_corr_bh\n";
    for (const PairRow& r : t.rows) {
        out += std::to_string(r.i) + "\t" + std::to_string(r.j) + "\t" +
               names[static_cast<std::size_t>(r.i - 1)] + "\t" +
               names[static_cast<std::size_t>(r.j - 1)] + "\t" + fixed(r.stat_new, 8) + "\t" +
               fixed(r.p_new, 8) + "\t" + general(r.p_new_bh) + "\t" + fixed(r.stat_corr, 8) +
               "\t" + fixed(r.p_corr, 8) + "\t" + general(r.p_corr_bh) + "\n";
    }
    return out;
}

namespace {

// Light yellow through orange and red to dark red.
constexpr int kPalette[5][3] = {
    {255, 255, 204}, {254, 217, 118}, {253, 141, 60}, {227, 26, 28}, {128, 0, 38}};
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

std::string p_colour(double p, double cap) {
    if (std::isnan(p)) return kNaNColour;
    if (p <= 0.0) return scale_colour(1.0);
    return scale_colour(-std::log10(p) / cap);
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

}  // namespace

std::string summary_svg(const PairTable& t, const std::vector<std::string>& names) {
    const int n = t.genes;
    // The top of the scale: the smallest non-zero p-value, at least 0.001.
    double smallest = 1e-3;
    bool any_nan = false;
    for (const PairRow& r : t.rows)
        for (double p : {r.p_new, r.p_corr}) {
            if (std::isnan(p)) any_nan = true;
            else if (p > 0.0) smallest = std::min(smallest, p);
        }
    const double cap = -std::log10(smallest);

    const int cell = std::clamp(720 / std::max(n, 1), 12, 36);
    const int font = std::clamp(cell - 2, 10, 13);
    std::size_t longest = 1;
    for (const std::string& s : names) longest = std::max(longest, text_width(s));
    const int label = static_cast<int>(std::ceil(static_cast<double>(longest) * font * 0.62)) + 8;
    const int grid = n * cell;
    const int left = 20 + label;
    const int top = 64 + label;
    const int bar_x = left + grid + 40;
    const int bar_h = std::clamp(grid, 160, 320);
    const int legend_w = 290;
    const int width = std::max(bar_x + legend_w, 660);
    const int height = std::max(top + grid, top + bar_h + (any_nan ? 84 : 60)) + 24;

    std::string o;
    auto add = [&](const std::string& s) { o += s + "\n"; };
    auto num = [](int v) { return std::to_string(v); };
    const std::string title = "coswitch: " + std::to_string(n) + " genes, " +
                              std::to_string(t.rows.size()) + " gene pairs";
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
        "triangle: correlation; colour: -log10 p</text>");

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
    for (const PairRow& r : t.rows) {
        const std::string& a = names[static_cast<std::size_t>(r.i - 1)];
        const std::string& b = names[static_cast<std::size_t>(r.j - 1)];
        const std::string pair = xml_escape(a) + " and " + xml_escape(b);
        // Upper triangle: row i, column j; lower triangle: row j, column i.
        add("<rect class=\"dep\" x=\"" + num(left + (r.j - 1) * cell) + "\" y=\"" +
            num(top + (r.i - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + p_colour(r.p_new, cap) + "\"><title>" + pair +
            ": dependence statistic " + fixed(r.stat_new, 4) + ", p = " + p_text(r.p_new) +
            ", adjusted p = " + p_text(r.p_new_bh) + "</title></rect>");
        add("<rect class=\"corr\" x=\"" + num(left + (r.i - 1) * cell) + "\" y=\"" +
            num(top + (r.j - 1) * cell) + "\" width=\"" + num(cell) + "\" height=\"" + num(cell) +
            "\" fill=\"" + p_colour(r.p_corr, cap) + "\"><title>" + pair +
            ": absolute correlation " + fixed(r.stat_corr, 4) + ", p = " + p_text(r.p_corr) +
            ", adjusted p = " + p_text(r.p_corr_bh) + "</title></rect>");
    }
    add("</g>");

    // Colour legend: a bar from -log10 p = 0 (bottom) to the cap (top).
    add("<g font-size=\"12\" fill=\"#000000\">");
    add("<text x=\"" + num(bar_x) + "\" y=\"" + num(top - 12) + "\">-log10 p</text>");
    add("<rect x=\"" + num(bar_x) + "\" y=\"" + num(top) + "\" width=\"18\" height=\"" +
        num(bar_h) + "\" fill=\"url(#scale)\" stroke=\"#000000\" stroke-width=\"0.5\"/>");
    auto tick = [&](double v, const std::string& text) {
        const int y = top + bar_h - static_cast<int>(std::lround(bar_h * v / cap));
        add("<line x1=\"" + num(bar_x + 18) + "\" y1=\"" + num(y) + "\" x2=\"" + num(bar_x + 23) +
            "\" y2=\"" + num(y) + "\" stroke=\"#000000\"/>");
        add("<text x=\"" + num(bar_x + 27) + "\" y=\"" + num(y + 4) + "\">" + text + "</text>");
    };
    auto p_label = [](int k) -> std::string {
        if (k == 0) return "1";
        if (k <= 3) return "0." + std::string(static_cast<std::size_t>(k - 1), '0') + "1";
        return "1e-" + std::to_string(k);
    };
    // Integer ticks, leaving room for the label at the cap.
    const int step = std::max(1, static_cast<int>(std::ceil(cap / 6.0)));
    for (int k = 0; k <= cap - 0.35 * step; k += step)
        tick(k, std::to_string(k) + " (p = " + p_label(k) + ")");
    const long whole = std::lround(cap);
    if (std::fabs(cap - static_cast<double>(whole)) < 1e-9)
        tick(cap, std::to_string(whole) + " (p = " + p_label(static_cast<int>(whole)) + ")");
    else
        tick(cap, g_format(cap, "%.2f") + " (p = " + g_format(smallest, "%.2g") + ")");
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
    return o;
}

}  // namespace coswitch
