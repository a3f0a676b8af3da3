#include "report/network_graphml.hpp"

#include <cmath>

#include "engine/pair_order.hpp"
#include "io/number_text.hpp"
#include "report/text.hpp"

namespace coswitch {
namespace {

const char* const kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xsi:schemaLocation=\"http://graphml.graphdrawing.org/xmlns "
    "http://graphml.graphdrawing.org/xmlns/1.0/graphml.xsd\">\n"
    "  <key id=\"fdr\" for=\"graph\" attr.name=\"fdr\" attr.type=\"double\"/>\n"
    "  <key id=\"degree\" for=\"node\" attr.name=\"degree\" attr.type=\"int\"/>\n"
    "  <key id=\"module\" for=\"node\" attr.name=\"module\" attr.type=\"int\"/>\n"
    "  <key id=\"mean0\" for=\"node\" attr.name=\"mean0\" attr.type=\"double\"/>\n"
    "  <key id=\"sd0\" for=\"node\" attr.name=\"sd0\" attr.type=\"double\"/>\n"
    "  <key id=\"mean1\" for=\"node\" attr.name=\"mean1\" attr.type=\"double\"/>\n"
    "  <key id=\"sd1\" for=\"node\" attr.name=\"sd1\" attr.type=\"double\"/>\n"
    "  <key id=\"switching\" for=\"node\" attr.name=\"switching\" attr.type=\"string\"/>\n"
    "  <key id=\"stat_new\" for=\"edge\" attr.name=\"stat_new\" attr.type=\"double\"/>\n"
    "  <key id=\"p_new\" for=\"edge\" attr.name=\"p_new\" attr.type=\"double\"/>\n"
    "  <key id=\"p_new_bh\" for=\"edge\" attr.name=\"p_new_bh\" attr.type=\"double\"/>\n"
    "  <key id=\"r\" for=\"edge\" attr.name=\"r\" attr.type=\"double\"/>\n"
    "  <key id=\"phase\" for=\"edge\" attr.name=\"phase\" attr.type=\"string\"/>\n"
    "  <key id=\"stat_corr\" for=\"edge\" attr.name=\"stat_corr\" attr.type=\"double\"/>\n"
    "  <key id=\"p_corr_bh\" for=\"edge\" attr.name=\"p_corr_bh\" attr.type=\"double\"/>\n"
    "  <graph id=\"coswitch\" edgedefault=\"undirected\">\n";

void open_data(std::string& line, const char* key) {
    line += "<data key=\"";
    line += key;
    line += "\">";
}

// decimals < 0: the shortest text that reads back exactly.
void add_double(std::string& line, const char* key, double v, int decimals = -1) {
    open_data(line, key);
    // The words Java and Python both read; the tables' "Inf" is not one.
    if (std::isnan(v))
        line += "NaN";
    else if (std::isinf(v))
        line += v > 0 ? "Infinity" : "-Infinity";
    else if (decimals < 0)
        append_shortest(line, v);
    else
        append_fixed(line, v, decimals);
    line += "</data>";
}

void add_text(std::string& line, const char* key, const std::string& text) {
    open_data(line, key);
    line += text;
    line += "</data>";
}

}  // namespace

void write_network_graphml(TextOut& out, const PairResults& r, const RankedPairs&,
                           const Network& net, const std::vector<GeneDensities>& densities) {
    std::vector<std::string> ids;
    ids.reserve(r.names.size());
    for (const std::string& name : r.names) ids.push_back(xml_escape(name));
    out.write(kHead);
    std::string line = "    ";
    add_double(line, "fdr", net.fdr);
    line += '\n';
    out.write(line);
    for (std::size_t g = 0; g < ids.size(); ++g) {
        line = "    <node id=\"" + ids[g] + "\">";
        add_text(line, "degree", std::to_string(net.degree[g]));
        add_text(line, "module", std::to_string(net.module[g]));
        if (!densities.empty()) {
            add_double(line, "mean0", densities[g].mean0);
            add_double(line, "sd0", densities[g].sd0);
            add_double(line, "mean1", densities[g].mean1);
            add_double(line, "sd1", densities[g].sd1);
        }
        add_text(line, "switching", r.switching[g] != 0 ? "yes" : "no");
        line += "</node>\n";
        out.write(line);
    }
    for_each_pair(r, 0, net.edges, [&](const PairValues& v) {
        line = "    <edge source=\"" + ids[static_cast<std::size_t>(v.genes.i - 1)] + "\" target=\"" +
               ids[static_cast<std::size_t>(v.genes.j - 1)] + "\">";
        add_double(line, "stat_new", v.stat_new, 8);
        add_double(line, "p_new", pooled_pvalue(v.count_new, r.M));
        add_double(line, "p_new_bh", v.bh_new);
        add_double(line, "r", v.r, 8);
        add_text(line, "phase", phase_word(v.phase));
        add_double(line, "stat_corr", v.stat_corr, 8);
        add_double(line, "p_corr_bh", v.bh_corr);
        line += "</edge>\n";
        out.write(line);
    });
    out.write("  </graph>\n</graphml>\n");
}

}  // namespace coswitch
