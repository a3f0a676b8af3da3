#include "report/values_tsv.hpp"

#include "io/number_text.hpp"
#include "report/panel_data.hpp"

namespace coswitch {

void write_values_tsv(TextOut& out, const ScanInputs& s) {
    std::string line = "gene";
    for (const std::string& sample : panel_design(s.design_tsv, "design.tsv").samples)
        line += "\t" + sample;
    out.write(line + "\n");
    const int rows = s.p.NTIME * s.p.NREP;
    for (int g = 1; g <= s.p.NGENE; ++g) {
        line = s.ids[static_cast<std::size_t>(g - 1)];
        for (int m = 1; m <= rows; ++m) {
            line += '\t';
            append_shortest(line, s.in.MODTCELL44(m, g));
        }
        line += '\n';
        out.write(line);
    }
}

}  // namespace coswitch
