#include "report/report_page.hpp"

#include <algorithm>

#include "engine/pair_order.hpp"
#include "io/number_text.hpp"
#include "report/pair_panel.hpp"
#include "report/pairs_tsv.hpp"
#include "report/panel_data.hpp"
#include "report/scan_records.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

const char* const kStyle = R"(body{font-family:"DejaVu Sans",Helvetica,Arial,sans-serif;margin:24px;color:#111;max-width:1100px}
h1{font-size:22px}h2{font-size:18px;margin-top:36px;border-bottom:1px solid #ccc}
table{border-collapse:collapse;font-size:13px}td,th{padding:3px 8px;text-align:left;vertical-align:top}
table.facts th{font-weight:normal;color:#444}
#pair-table th{cursor:pointer;background:#f0f0f0;position:sticky;top:0;user-select:none;white-space:nowrap}
#pair-table td.n{text-align:right;font-variant-numeric:tabular-nums}
#pair-table tr:nth-child(even){background:#fafafa}
th.up::after{content:" \25B2"}th.down::after{content:" \25BC"}
.panel{margin:18px 0;overflow-x:auto}.heatmap{overflow-x:auto}
.filters{margin:10px 0;font-size:13px}.filters input{margin:0 14px 0 4px}
pre{font-size:12px;background:#f7f7f7;padding:8px;overflow-x:auto}
.note{color:#444;font-size:13px})";

// Sorting by a column's heading, filtering by gene name and adjusted p. Its
// text never holds a closing tag, which would end the script early.
const char* const kScript = R"((function () {
  var table = document.getElementById('pair-table');
  var body = table.tBodies[0];
  var rows = Array.prototype.slice.call(body.rows);
  var heads = table.tHead.rows[0].cells;
  var gene = document.getElementById('f-gene');
  var pnew = document.getElementById('f-new');
  var pcorr = document.getElementById('f-corr');
  var shown = document.getElementById('shown');
  var column = 0, up = true;
  function cell(row, c) { return row.cells[c].textContent; }
  function number(row, c) { return parseFloat(cell(row, c)); }
  function compare(a, b) {
    var x = number(a, column), y = number(b, column), d = 0;
    if (heads[column].getAttribute('data-kind') === 'text') {
      x = cell(a, column); y = cell(b, column);
      d = x < y ? -1 : x > y ? 1 : 0;
    } else if (isNaN(x) || isNaN(y)) {
      return (isNaN(x) ? 1 : 0) - (isNaN(y) ? 1 : 0) || number(a, 0) - number(b, 0);
    } else {
      d = x - y;
    }
    return (up ? d : -d) || number(a, 0) - number(b, 0);
  }
  function sort() {
    rows.sort(compare);
    for (var i = 0; i < rows.length; i++) body.appendChild(rows[i]);
    for (var c = 0; c < heads.length; c++)
      heads[c].className = c === column ? (up ? 'up' : 'down') : '';
  }
  function filter() {
    var g = gene.value.trim().toLowerCase();
    var a = parseFloat(pnew.value), b = parseFloat(pcorr.value), n = 0;
    for (var i = 0; i < rows.length; i++) {
      var row = rows[i];
      var ok = (!g || cell(row, 1).toLowerCase().indexOf(g) >= 0 ||
                cell(row, 2).toLowerCase().indexOf(g) >= 0) &&
               (isNaN(a) || number(row, 5) <= a) && (isNaN(b) || number(row, 8) <= b);
      row.hidden = !ok;
      if (ok) n++;
    }
    shown.textContent = n + ' of ' + rows.length + ' pairs of the table shown';
  }
  for (var c = 0; c < heads.length; c++) {
    heads[c].addEventListener('click', (function (k) {
      return function () { up = column === k ? !up : true; column = k; sort(); };
    })(c));
  }
  [gene, pnew, pcorr].forEach(function (input) { input.addEventListener('input', filter); });
  // A link to the page may name a gene to filter by: report.html#gene=NAME.
  var hash = window.location.hash;
  if (hash.indexOf('#gene=') === 0) gene.value = decodeURIComponent(hash.slice(6));
  sort();
  filter();
})();)";

void fact(std::string& html, const std::string& key, const std::string& value) {
    html += "<tr><th>" + key + "</th><td>" + value + "</td></tr>\n";
}

std::string count(std::int64_t n) { return std::to_string(n); }

std::string run_facts(const ScanSettings& o, const ScanInputs& s, const PairResults& r) {
    std::string html = "<table class=\"facts\">\n";
    fact(html, "table", xml_escape(s.table_name) + " (" + count(static_cast<std::int64_t>(s.table_genes)) +
                            " genes, " + count(static_cast<std::int64_t>(s.table_samples)) + " samples, " +
                            (s.separator == ',' ? "comma" : "tab") + "-separated)");
    if (!s.normalised.empty()) fact(html, "values", xml_escape(s.normalised));
    else if (o.transform != "none") fact(html, "values", "--transform " + xml_escape(o.transform));
    fact(html, "design", count(s.p.NTIME) + " time points x " + count(s.p.NREP) +
                             (s.p.NREP == 1 ? " replicate" : " replicates") + " (" +
                             xml_escape(s.design_how) + "; below, and design.tsv)");
    fact(html, "genes", count(static_cast<std::int64_t>(s.kept)) + " kept, " +
                            count(static_cast<std::int64_t>(s.dropped)) + " dropped" +
                            (s.not_selected > 0 ? ", " + count(static_cast<std::int64_t>(s.not_selected)) +
                                                      " not selected"
                                                : std::string()) +
                            " (genes.tsv lists every gene of the run and why)");
    fact(html, "densities",
         std::string(s.densities_given ? "given (--para1, --para2, mode " + std::string(1, s.p.FLAG) + ")"
                                       : "a two-state fit per gene") +
             "; " + count(static_cast<std::int64_t>(switching_genes(s))) + " of " +
             count(static_cast<std::int64_t>(s.kept)) + " genes switch");
    fact(html, "null model", std::string(null_model_name(s.p.null_model)) +
                                 (s.p.null_model == NullModel::fixed
                                      ? " (every bootstrap replicate simulated from the fit to the pair's observed data)"
                                      : " (each replicate simulated from the refit to the one before)"));
    fact(html, "pairs", count(r.pairs()));
    fact(html, "bootstrap replicates", count(s.p.NBOOT) + " per pair; " + count(r.M) +
                                           " pooled null values" +
                                           (r.M > 0 ? ", so no p-value is below " +
                                                          significant(pooled_pvalue(0, r.M), 4)
                                                    : std::string(": every p-value is NaN")));
    fact(html, "adjusted p below 0.05", count(pairs_below_new(r, 0.05)) +
                                            " pairs by the dependence statistic, " +
                                            count(pairs_below_corr(r, 0.05)) + " by the correlation");
    return html + "</table>\n<pre>" + xml_escape(s.design_text) + "</pre>\n";
}

void table_row(std::string& html, const PairFigures& f, int panels) {
    const std::string rank = count(f.rank);
    html += "<tr><td class=\"n\">" +
            (f.rank <= panels ? "<a href=\"#pair-" + rank + "\">" + rank + "</a>" : rank) + "</td><td>" +
            xml_escape(f.gene1) + "</td><td>" + xml_escape(f.gene2) + "</td>";
    for (const std::string& v :
         {fixed(f.stat_new, 4), significant(f.p_new, 4), significant(f.p_new_bh, 4),
          fixed(f.stat_corr, 4), significant(f.p_corr, 4), significant(f.p_corr_bh, 4), fixed(f.r, 4)})
        html += "<td class=\"n\">" + v + "</td>";
    html += "<td>" + xml_escape(f.phase) + "</td></tr>\n";
}

}  // namespace

void write_report_page(TextOut& out, const ScanSettings& o, const ScanInputs& s,
                       const PairResults& r, const RankedPairs&, const PageParts& parts) {
    const std::string table = xml_escape(s.table_name);
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<link rel=\"icon\" href=\"data:,\">\n<title>coswitch scan: " + table + "</title>\n<style>\n" +
        kStyle + "\n</style>\n</head>\n<body>\n<h1>coswitch scan of " + table + "</h1>\n" +
        "<p class=\"note\"><a href=\"#run\">The run</a> | <a href=\"#top\">Top pairs</a> | "
        "<a href=\"#heatmap\">Heatmap</a> | <a href=\"#pairs\">Pair table</a></p>\n"
        "<h2 id=\"run\">The run</h2>\n" + run_facts(o, s, r);
    out.write(html);

    const std::int64_t panels = std::min<std::int64_t>(std::max(parts.top_pairs, 0), r.pairs());
    html = "<h2 id=\"top\">Top " + count(panels) + " pairs by dependence p-value</h2>\n"
           "<p class=\"note\">Each panel shows both genes' values over time, a line per replicate, with "
           "each gene's two fitted state means dashed; below, per replicate, the posterior probability of "
           "the pair's joint state (00, 01, 10, 11; first gene first) at each time point, as the chain "
           "fitted to the pair infers it. <code>coswitch plot</code> draws the same panel for any pair "
           "of this folder.</p>\n";
    out.write(html);
    const PanelDesign design = panel_design(s.design_tsv, "design.tsv");
    for_each_pair(r, 0, panels, [&](const PairValues& v) {
        const PairPanel panel = make_pair_panel(design, s.p.FLAG == 'T', scan_panel_gene(s, v.genes.i),
                                                scan_panel_gene(s, v.genes.j),
                                                pair_figures(pair_row(r, v), "pairs.tsv"), r.pairs());
        out.write("<div class=\"panel\" id=\"pair-" + count(v.position + 1) + "\">\n" + pair_panel_svg(panel) +
                  "</div>\n");
    });

    html = "<h2 id=\"heatmap\">Heatmap</h2>\n";
    if (parts.heatmap_svg.empty())
        html += "<p class=\"note\">" + xml_escape(parts.heatmap_note) + "</p>\n";
    else
        html += "<div class=\"heatmap\">\n" + parts.heatmap_svg + "</div>\n";
    out.write(html);

    const std::int64_t held = std::min(kPageTablePairs, r.pairs());
    html = "<h2 id=\"pairs\">Pair table</h2>\n<p class=\"note\">The best " + count(held) + " of " +
           count(r.pairs()) + " pairs by dependence p-value" +
           (held < r.pairs() ? " (the page holds no more; pairs.tsv has every pair)" : "") +
           ". Click a heading to sort by it; type to filter by gene name (a part of it, any case) or by "
           "adjusted p-value (at most).</p>\n"
           "<div class=\"filters\"><label>gene<input id=\"f-gene\" type=\"search\"></label>"
           "<label>p_new_bh at most<input id=\"f-new\" type=\"number\" step=\"any\" min=\"0\" max=\"1\"></label>"
           "<label>p_corr_bh at most<input id=\"f-corr\" type=\"number\" step=\"any\" min=\"0\" max=\"1\"></label>"
           "<span id=\"shown\"></span></div>\n"
           "<table id=\"pair-table\">\n<thead><tr>";
    for (const char* h : {"rank", "gene1", "gene2", "stat_new", "p_new", "p_new_bh", "stat_corr",
                          "p_corr", "p_corr_bh", "r", "phase"}) {
        const std::string name = h;
        const bool text = name == "gene1" || name == "gene2" || name == "phase";
        html += std::string("<th") + (text ? " data-kind=\"text\"" : "") + ">" + name + "</th>";
    }
    html += "</tr></thead>\n<tbody>\n";
    for_each_pair(r, 0, held, [&](const PairValues& v) {
        table_row(html, pair_figures(pair_row(r, v), "pairs.tsv"), static_cast<int>(panels));
        if (html.size() > (1 << 16)) {
            out.write(html);
            html.clear();
        }
    });
    html += "</tbody>\n</table>\n<script>\n" + std::string(kScript) + "\n</script>\n</body>\n</html>\n";
    out.write(html);
}

}  // namespace coswitch
