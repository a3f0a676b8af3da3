#pragma once
// values.tsv: the values a scan analysed, after selection, normalisation
// and transform, so that a later `coswitch plot` refits a pair from them:
// a header "gene" and the samples in design order (time point by time
// point, replicate fastest, as design.tsv lists them), then a row per kept
// gene in its order, each value the shortest text that reads back exactly.
#include "io/text_out.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

void write_values_tsv(TextOut& out, const ScanInputs& s);

}  // namespace coswitch
