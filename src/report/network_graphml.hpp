#pragma once
// network.graphml: the nodes of nodes.tsv and the edges of edges.tsv, with
// their columns as typed attributes, for Cytoscape or networkx.
#include <vector>

#include "io/text_out.hpp"
#include "report/network.hpp"
#include "report/scan_records.hpp"

namespace coswitch {

// An undirected GraphML graph whose node ids are the gene ids (through
// xml_escape); numbers have the texts of the tables, but NaN and
// Infinity, as GraphML's readers take them, and densities that are not
// per gene are left out.
void write_network_graphml(TextOut& out, const PairResults& r, const RankedPairs& k,
                           const Network& net, const std::vector<GeneDensities>& densities);

}  // namespace coswitch
