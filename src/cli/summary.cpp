#include <unistd.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "io/errors.hpp"
#include "io/files.hpp"
#include "io/new_file.hpp"
#include "io/quoted.hpp"
#include "io/text_out.hpp"
#include "cli/option_words.hpp"
#include "cli/options.hpp"
#include "cli/subcommands.hpp"
#include "report/bootstrap_count.hpp"
#include "report/heatmap.hpp"
#include "report/summary_text.hpp"
#include "report/tsv.hpp"

namespace coswitch {
namespace {

const char* const kSummaryUsage =
    R"(Usage: coswitch summary [-C DIR] [--names FILE] [--top N] [--rank new|corr]
                        [--fdr Q] [--tsv FILE|-] [--svg FILE]

Reads pvalue.txt of a finished run, adjusts the p-values of both statistics
for testing every gene pair (Benjamini-Hochberg over all pairs; NaN p-values
stay NaN and are not counted), and prints the top pairs ranked by the
adjusted p-value of the dependence statistic, or of the correlation with
--rank corr (ties by the raw p-value, then by the other statistic's, then
by the gene names of --names or else the gene numbers, as scan ranks them).
The bootstrap replicates per pair are counted from the first pair's records
in output.txt beside pvalue.txt (unknown when it is absent or unreadable).

Options:
  -C, --directory DIR  work in DIR: pvalue.txt, output.txt and every relative
                       FILE are taken there
  --names FILE         gene names, one per line in the column order of
                       realdata.txt (as many as genes in pvalue.txt)
  --top N              number of pairs in the table (default 20; 0: none)
  --rank new|corr      rank by the dependence statistic (new, the default) or
                       by the correlation (corr)
  --fdr Q              keep, in the table and the --tsv file, only the pairs
                       whose adjusted p-value of the statistic ranked by is at
                       most Q (0 to 1), and say how many there are
  --tsv FILE           write every pair (every kept pair with --fdr), in the
                       order of pvalue.txt, as a tab-separated table with a
                       header row: gene1 gene2 name1 name2 stat_new p_new
                       p_new_bh stat_corr p_corr p_corr_bh; - writes it to
                       standard output, and the report goes to standard error
  --svg FILE           write a heatmap: genes by genes, -log10 p of the
                       dependence statistic above the diagonal and of the
                       correlation below it
  -h, --help           this text
  --version            the program's version

A p-value of 0 is below 1/M, M being the bootstrap replicates times the gene
pairs; the heatmap draws it at the top of its scale. A statistic too large
for its field in pvalue.txt (asterisks) is taken as Inf. Existing --tsv and
--svg files are never overwritten (exit status 1); the new files appear
together, and only when all are complete. pvalue.txt must hold every pair
i < j of genes 1 to n exactly once, in any order.
)";

struct Output {
    std::string given;  // as the option gave it
    std::string path;   // as it is reached from here, and named in diagnostics
    std::string text;
    NewFile file;
};

}  // namespace

int summary_main(const std::vector<std::string>& args) {
    OptionWords a(args, "summary");
    std::string dir, names_file, tsv_file, svg_file;
    int top = 20;
    PairSelection selection;
    while (a.next()) {
        const std::string& n = a.name();
        if (took_help_or_version(a, kSummaryUsage)) {
            return kExitOk;
        } else if (n == "-C" || n == "--directory") {
            dir = a.directory_value();
        } else if (n == "--names") {
            names_file = a.nonempty_value("a file name");
        } else if (n == "--top") {
            top = a.int_value();
            if (top < 0) a.fail("option --top: needs 0 or more pairs");
        } else if (n == "--rank") {
            const std::string v = a.value();
            if (v == "new")
                selection.by = RankBy::dependence;
            else if (v == "corr")
                selection.by = RankBy::correlation;
            else
                a.fail("option --rank: " + shown_value(v) +
                       " is not new (the dependence statistic) or corr (the correlation)");
        } else if (n == "--fdr") {
            selection.fdr = a.fraction_value();
            selection.fdr_given = true;
        } else if (n == "--tsv") {
            tsv_file = a.nonempty_value("a file name");
        } else if (n == "--svg") {
            svg_file = a.nonempty_value("a file name");
        } else {
            a.reject();
        }
    }

    if (!dir.empty()) require_directory(dir);
    const std::string pvalue_path = path_in(dir, "pvalue.txt");
    PairTable t = naming_out_of_memory("reading " + pvalue_path, [&] {
        return parse_pvalues(read_whole_file(pvalue_path, pvalue_path), pvalue_path);
    });
    adjust(t);
    const std::string output_path = path_in(dir, "output.txt");
    const std::string bootstrap =
        bootstrap_line(count_bootstrap(output_path, "output.txt", t.genes), t, "output.txt");
    const bool names_given = !names_file.empty();
    const std::string names_path = path_in(dir, names_file);
    const std::vector<std::string> names =
        naming_out_of_memory("reading " + (names_given ? names_path : "the gene numbers"), [&] {
            return names_given
                       ? parse_names(read_whole_file(names_path, names_path), names_path, t.genes)
                       : number_names(t.genes);
        });

    // Every output is made before any is written, and the files appear
    // together, only when all of them are complete.
    const bool tsv_to_stdout = tsv_file == "-";
    std::string tsv_text;
    std::deque<Output> outputs;
    naming_out_of_memory("making the table and the heatmap", [&] {
        if (tsv_to_stdout) {
            tsv_text = summary_tsv(t, names, selection);
        } else if (!tsv_file.empty()) {
            Output& o = outputs.emplace_back();
            o.given = tsv_file;
            o.path = path_in(dir, tsv_file);
            o.text = summary_tsv(t, names, selection);
        }
        if (!svg_file.empty()) {
            Output& o = outputs.emplace_back();
            o.given = svg_file;
            o.path = path_in(dir, svg_file);
            o.text = summary_svg(t, names);
        }
    });
    std::vector<NewFile*> files;
    for (Output& o : outputs) {
        o.file.open(o.path, o.path);
        files.push_back(&o.file);
    }
    for (Output& o : outputs) o.file.write(o.text);
    // Standard output cannot be taken back, so it goes first: when it fails,
    // no file appears.
    if (tsv_to_stdout) {
        TextOut out;
        out.attach(STDOUT_FILENO, "standard output");
        out.write(tsv_text);
        out.close();
    }
    commit_together(files);

    SummaryLayout layout;
    layout.names_given = names_given;
    layout.top = top;
    layout.bootstrap_line = bootstrap;
    layout.selection = selection;
    // Standard output carries nothing but the table when it has it.
    std::FILE* report = tsv_to_stdout ? stderr : stdout;
    std::fputs(summary_text(t, names, layout).c_str(), report);
    for (const Output& o : outputs) std::fprintf(report, " wrote %s\n", o.given.c_str());
    return kExitOk;
}

}  // namespace coswitch
