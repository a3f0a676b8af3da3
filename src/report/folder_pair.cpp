#include "report/folder_pair.hpp"

#include <sys/stat.h>
#include <zlib.h>

#include <cmath>
#include <utility>
#include <vector>

#include "io/errors.hpp"
#include "io/files.hpp"
#include "io/numbers.hpp"
#include "table/near_names.hpp"
#include "report/text.hpp"
#include "table/cell_value.hpp"
#include "table/input_file.hpp"
#include "table/printable.hpp"

namespace coswitch {
namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

struct Folder {
    std::string dir;
    std::string path(const std::string& file) const { return dir + "/" + file; }
    // The file, or its .gz, as text; an error naming the folder when neither is there.
    std::pair<std::string, std::string> text(const std::string& file) const {
        for (const std::string& name : {file, file + ".gz"})
            if (exists(path(name))) return {read_input_text(path(name), path(name)).text, path(name)};
        throw RunError(kExitInput, path(file) + ": missing; is " + dir +
                                       " the folder of a finished scan (made by this version)?");
    }
};

double number(const std::string& text, const std::string& name, std::size_t line) {
    double v = 0;
    if (read_cell(text, v) != CellKind::Number)
        throw RunError(kExitInput, name + ":" + std::to_string(line + 1) + ": " + quoted(text) +
                                       " is not a number");
    return v;
}

struct GeneRow {
    std::vector<std::string> cells;  // gene line status reason index mean0 sd0 mean1 sd1 ...
    std::size_t line = 0;
};

// The kept gene called `id`, or an error saying why there is none.
const GeneRow& kept_gene(const std::vector<GeneRow>& rows, const std::string& id,
                         const std::string& name) {
    std::vector<std::string> kept;
    for (const GeneRow& g : rows) {
        if (g.cells[0] == id) {
            if (g.cells[2] == "kept") return g;
            throw RunError(kExitInput, name + ":" + std::to_string(g.line + 1) + ": gene " +
                                           quoted(id) + " was not analysed (" + g.cells[2] +
                                           (g.cells[3].empty() ? "" : ": " + g.cells[3]) + ")");
        }
        if (g.cells[2] == "kept") kept.push_back(g.cells[0]);
    }
    std::string hint;
    const std::vector<std::string> near = near_names(id, kept);
    for (std::size_t k = 0; k < near.size(); ++k) hint += (k ? ", " : "") + quoted(near[k]);
    throw RunError(kExitInput, name + ": no gene " + quoted(id) + " among the " +
                                   std::to_string(kept.size()) + " kept genes" +
                                   (hint.empty() ? " (ids are matched exactly)"
                                                 : "; did you mean " + hint + "?"));
}

// The row of pairs.tsv (plain or gzip) that holds genes a and b, and the
// number of rows, read a piece at a time: a large run's table may not fit
// in memory.
std::string pair_row_of(const std::string& path, const std::string& a, const std::string& b,
                        std::int64_t& rows) {
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr)
        throw RunError(kExitInput, path + ": missing or unreadable; is it the folder of a finished scan?");
    const std::string key = "\t" + a + "\t" + b + "\t";
    std::string line, row;
    std::vector<char> buf(1 << 16);
    bool header = true;
    rows = 0;
    while (gzgets(in, buf.data(), static_cast<int>(buf.size())) != nullptr) {
        line += buf.data();
        if (line.back() != '\n' && gzeof(in) == 0) continue;  // a line longer than the buffer
        if (line.back() == '\n') line.pop_back();
        if (!header) {
            ++rows;
            const std::size_t tab = line.find('\t');
            if (row.empty() && tab != std::string::npos && line.compare(tab, key.size(), key) == 0)
                row = line;
        }
        header = false;
        line.clear();
    }
    int status = Z_OK;
    const std::string why = gzerror(in, &status);
    gzclose(in);
    if (status != Z_OK) throw RunError(kExitInput, path + ": cannot be read: " + why);
    if (row.empty())
        throw RunError(kExitInput, path + ": no row for " + quoted(a) + " and " + quoted(b));
    return row;
}

}  // namespace

PairPanel read_folder_pair(const std::string& dir, const std::string& gene1,
                           const std::string& gene2) {
    const Folder f{dir};
    const std::string design_name = f.path("design.tsv");
    PanelDesign design = panel_design(read_whole_file(design_name, design_name), design_name);
    const std::size_t samples = design.samples.size();

    const std::string genes_name = f.path("genes.tsv");
    const std::vector<std::string> gene_lines = split_lines(read_whole_file(genes_name, genes_name));
    if (gene_lines.empty() || gene_lines[0].rfind("gene\tline\tstatus\treason\tindex\tmean0", 0) != 0)
        throw RunError(kExitInput, genes_name + ":1: not the header of a scan's genes.tsv");
    std::vector<GeneRow> rows;
    for (std::size_t n = 1; n < gene_lines.size(); ++n) {
        rows.push_back({split_tabs(gene_lines[n]), n});
        if (rows.back().cells.size() < 9)
            throw RunError(kExitInput, genes_name + ":" + std::to_string(n + 1) + ": too few cells");
    }
    const GeneRow* pick[2] = {&kept_gene(rows, gene1, genes_name), &kept_gene(rows, gene2, genes_name)};
    if (pick[0] == pick[1])
        throw RunError(kExitInput, "gene " + quoted(gene1) + " twice: a pair needs two genes");
    int index[2];
    for (int g = 0; g < 2; ++g)
        if (!parse_whole_number(pick[g]->cells[4], index[g]))
            throw RunError(kExitInput, genes_name + ":" + std::to_string(pick[g]->line + 1) +
                                           ": no index for a kept gene");
    if (index[0] > index[1]) std::swap(pick[0], pick[1]);  // the run's order

    const bool time_mode = exists(f.path("time_densities.tsv"));
    std::vector<std::vector<double>> time_para;  // per time point: mean0 sd0 mean1 sd1
    if (time_mode) {
        const std::string name = f.path("time_densities.tsv");
        const std::vector<std::string> lines = split_lines(read_whole_file(name, name));
        for (std::size_t n = 1; n < lines.size(); ++n) {
            const std::vector<std::string> c = split_tabs(lines[n]);
            if (c.size() != 5) throw RunError(kExitInput, name + ":" + std::to_string(n + 1) + ": not 5 cells");
            time_para.push_back({});
            for (std::size_t k = 1; k < 5; ++k) time_para.back().push_back(number(c[k], name, n));
        }
        if (time_para.size() != static_cast<std::size_t>(design.ntime))
            throw RunError(kExitInput, name + ": " + std::to_string(time_para.size()) +
                                           " time points; design.tsv has " + std::to_string(design.ntime));
    }

    std::array<PanelGene, 2> genes;
    for (int g = 0; g < 2; ++g) {
        PanelGene& gene = genes[static_cast<std::size_t>(g)];
        gene.id = pick[g]->cells[0];
        for (int t = 0; t < design.ntime; ++t) {
            const auto u = static_cast<std::size_t>(t);
            for (int k = 0; k < 4; ++k) {
                const double v = time_mode ? time_para[u][static_cast<std::size_t>(k)]
                                           : number(pick[g]->cells[5 + static_cast<std::size_t>(k)],
                                                    genes_name, pick[g]->line);
                (k == 0 ? gene.mean0 : k == 1 ? gene.sd0 : k == 2 ? gene.mean1 : gene.sd1).push_back(v);
            }
        }
    }

    const auto [values, values_name] = f.text("values.tsv");
    const std::vector<std::string> value_lines = split_lines(values);
    std::string header = "gene";
    for (const std::string& s : design.samples) header += "\t" + s;
    if (value_lines.empty() || value_lines[0] != header)
        throw RunError(kExitInput, values_name + ":1: the samples are not those of design.tsv");
    for (std::size_t n = 1; n < value_lines.size(); ++n) {
        const std::vector<std::string> c = split_tabs(value_lines[n]);
        for (PanelGene& gene : genes) {
            if (c[0] != gene.id) continue;
            if (c.size() != samples + 1)
                throw RunError(kExitInput, values_name + ":" + std::to_string(n + 1) + ": " +
                                               std::to_string(c.size() - 1) + " values; expected " +
                                               std::to_string(samples));
            // A missing value (--missing model) is written NaN.
            for (std::size_t k = 1; k < c.size(); ++k)
                gene.values.push_back(c[k] == "NaN" ? std::nan("")
                                                    : number(c[k], values_name, n));
        }
    }
    for (const PanelGene& gene : genes)
        if (gene.values.size() != samples)
            throw RunError(kExitInput, values_name + ": no values of " + quoted(gene.id));

    const std::string pairs_name = f.path(exists(f.path("pairs.tsv")) ? "pairs.tsv" : "pairs.tsv.gz");
    std::int64_t count = 0;
    const std::string row = pair_row_of(pairs_name, genes[0].id, genes[1].id, count);
    return make_pair_panel(std::move(design), time_mode, std::move(genes[0]), std::move(genes[1]),
                           pair_figures(row, pairs_name), count);
}

}  // namespace coswitch
