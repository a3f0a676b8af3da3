#include "cli/scan_options.hpp"

#include "cli/option_words.hpp"
#include "io/new_file.hpp"
#include "report/pairs_tsv.hpp"

namespace coswitch {

ScanOptions parse_scan_options(const std::vector<std::string>& args) {
    ScanOptions o;
    o.words = args;
    bool max_missing_given = false;
    OptionWords a(args, "scan");
    auto choice = [&](std::initializer_list<const char*> allowed) {
        const std::string v = a.value();
        for (const char* c : allowed)
            if (v == c) return v;
        std::string list;
        for (const char* c : allowed) list += (list.empty() ? "" : ", ") + std::string(c);
        a.fail("option " + a.name() + ": \"" + v + "\" is not one of " + list);
    };
    while (a.next()) {
        const std::string& n = a.name();
        if (n == "--help" || n == "-h") {
            a.no_value();
            o.help = true;
        } else if (n == "--version") {
            a.no_value();
            o.version = true;
        } else if (n == "-o" || n == "--output") {
            o.output = a.nonempty_value("a folder name");
        } else if (n == "--columns") {
            o.columns = a.nonempty_value("column names");
        } else if (n == "--replicates") {
            o.replicates = a.int_value();
            if (*o.replicates < 1) a.fail("option --replicates: needs at least 1 replicate");
        } else if (n == "--design") {
            o.design = a.nonempty_value("a file name");
        } else if (n == "--samples") {
            o.samples = a.nonempty_value("a pattern");
        } else if (n == "--genes") {
            o.genes = a.nonempty_value("a file name");
        } else if (n == "--missing") {
            o.missing = choice({"model", "drop", "fail"});
        } else if (n == "--max-missing") {
            o.max_missing = a.fraction_value();
            max_missing_given = true;
        } else if (n == "--transform") {
            o.transform = choice({"none", "log2p1", "log2"});
            o.transform_given = true;
        } else if (n == "--normalise") {
            o.normalise = choice({"none", "cpm"});
        } else if (n == "--para1") {
            o.para1 = a.nonempty_value("a file name");
        } else if (n == "--para2") {
            o.para2 = a.nonempty_value("a file name");
        } else if (n == "--mode") {
            o.mode = a.mode_value();
        } else if (n == "--bootstrap") {
            o.bootstrap = a.int_value();
            if (o.bootstrap < 0) a.fail("option --bootstrap: needs 0 or more replicates");
        } else if (n == "--null") {
            o.null_model = choice({"fixed", "chained"}) == "fixed" ? NullModel::fixed
                                                                   : NullModel::chained;
        } else if (take_run_option(a, o.threads, o.progress)) {
        } else if (n == "--fdr") {
            o.fdr = a.fraction_value();
        } else if (n == "--pairs") {
            const std::string rule = a.value();
            std::string words = rule;
            if (rule == "fdr" || rule == "top") words += " " + a.next_value();
            PairsChoice c;
            const std::size_t blank = words.find(' ');
            if (!parse_pairs_choice(words.substr(0, blank), blank == std::string::npos ? "" : words.substr(blank + 1), c))
                a.fail("option --pairs: \"" + words + "\" is not one of all, fdr Q (Q from 0 to 1), top N");
            o.pairs = words;
        } else if (n == "--gzip") {
            a.no_value();
            o.gzip = true;
        } else if (n == "--nulls") {
            a.no_value();
            o.nulls = true;
        } else if (n == "--report-pairs") {
            o.report_pairs = a.int_value();
            if (o.report_pairs < 0) a.fail("option --report-pairs: needs 0 or more pairs");
        } else if (n == "--dry-run") {
            a.no_value();
            o.dry_run = true;
        } else if (n == "--force") {
            a.no_value();
            o.force = true;
        } else if (n == "--write-classic") {
            o.write_classic = a.nonempty_value("a folder name");
        } else if (!n.empty() && n[0] != '-' && o.table.empty()) {
            o.table = n;
        } else {
            a.reject();
        }
    }
    if (o.help || o.version) return o;
    if (o.table.empty()) a.fail("which table? give its file name");
    if (o.output.empty() && !o.dry_run)
        a.fail("option -o DIR is needed: the folder to write the results into");
    if (!o.write_classic.empty() && names_one_place(o.write_classic, o.output))
        a.fail("--write-classic " + o.write_classic + " and -o " + o.output +
               " name one folder; give the classic inputs a folder of their own");
    const int ways = (o.replicates ? 1 : 0) + (o.design.empty() ? 0 : 1) + (o.samples.empty() ? 0 : 1);
    if (ways > 1) a.fail("--replicates, --design and --samples are three ways to say the same; give one");
    if (o.para1.empty() != o.para2.empty())
        a.fail("--para1 and --para2 go together: give both, or neither to fit the densities");
    if (!o.para1.empty() && !o.mode)
        a.fail("--para1 and --para2 need --mode G (a column per gene) or T (a column per time point)");
    if (o.mode && o.para1.empty()) a.fail("--mode goes with --para1 and --para2");
    if (max_missing_given && o.missing != "model")
        a.fail("--max-missing goes with --missing model: under --missing " + o.missing +
               " no gene keeps a missing value");
    return o;
}

std::string scan_usage_text() {
    return R"(Usage: coswitch scan TABLE -o DIR [OPTIONS]

Tests every pair of genes of a named expression table for dependent switching
of their hidden low/high states, and for correlation, against a pooled
parametric bootstrap: the analysis of the classic run, on a table of any
size, in memory that grows with the genes and the pairs.

TABLE: a tab- or comma-separated text table (.gz read as gzip): a header row
(the gene-id column's name, then sample names), then one row per gene (its
id, then its values); a header one cell shorter than the rows, as R's
write.table writes row names, names the samples only. Missing values: an
empty cell, NA, NaN, null.

Columns and design (one of the three; default: every selected column is one
time point, in table order):
  --columns LIST       the columns to use: names separated by commas, a range
                       FIRST..LAST, or a pattern ~REGEX
  --replicates R       consecutive groups of R columns are the replicates of
                       one time point
  --design FILE        a table of sample, time, replicate (header allowed);
                       time points in numeric order
  --samples REGEX      capture groups matched against each sample name: time
                       and replicate, or the time alone (replicates numbered
                       in column order); columns that do not match are not used
REGEX (--samples, --columns ~REGEX) is RE2 syntax, matched against whole
names: \d, \w, [A-Z], (?:...), no backreferences or lookaround.

Genes:
  --genes FILE         only these genes (one id a line; # comments, and a
                       first line that is no id, a header, skipped), in
                       table order
  --missing model|drop|fail
                       model: analyse the values there are, a missing one
                       weighing nothing for either state (default); drop:
                       drop genes with a missing value; fail: stop at the
                       first. Under model a time point without one of the
                       replicates (--design, --samples) is a missing value
                       of every gene
  --max-missing F      with model: drop a gene missing more than this share
                       of its values, from 0 to 1 (default 0.2)
  --transform none|log2p1|log2
                       log2(x + 1) for counts, log2(x) for positive values
                       (default: none; raw counts, whole numbers of 0 or
                       more with the largest at least 1000, are refused
                       unless --transform is given)
  --normalise none|cpm counts per million: each value divided by its sample's
                       sum over every gene of the table, times 1e6, before
                       the transform (default: none)
Genes without variation cannot be fitted and are dropped; genes.tsv lists
every gene with its densities and, when dropped, why.

Densities (default: a two-state fit per gene):
  --para1 FILE --para2 FILE --mode G|T
                       given densities in the classic layout (means on the
                       first line, standard deviations on the second): a
                       column per kept gene (G) or per time point (T)

Analysis and output:
  -o, --output DIR     the folder to create (it must not exist); written under
                       a temporary name beside it and moved into place when
                       complete
  --bootstrap B        bootstrap replicates per pair (default 100)
  --null fixed|chained what each pair's bootstrap replicates are simulated
                       from: the fit to its observed data (fixed, the
                       default), or each from the refit to the replicate
                       before (chained, the classic run's rule)
  --threads N          threads (default: every core); same bytes for every N
  --fdr Q              the network files hold the pairs whose adjusted
                       dependence p-value is at most Q, from 0 to 1 (default
                       0.05)
  --pairs all|fdr|top  which pairs pairs.tsv holds: all (every pair), fdr Q
                       (those whose adjusted p-value is at most Q by either
                       statistic) or top N (the N best by dependence
                       p-value); default: all up to 1000000 pairs, fdr 0.25
                       above. Ranks and adjusted values are always those
                       over every pair
  --gzip               pairs.tsv.gz, edges.tsv.gz, values.tsv.gz (and nulls.txt.gz) instead
                       of plain text
  --nulls              also write every null value (nulls.txt: the classic
                       output.txt records), which grows with pairs x B
  --report-pairs N     pairs drawn as panels in report.html, best first
                       (default 50)
  --write-classic DIR  also write realdata.txt, para1.txt, para2.txt and
                       answers.txt for the classic run (within its limits);
                       it reproduces a --null chained scan (add --null fixed
                       to the classic run for a fixed one)
  --dry-run            print the plan (pairs, peak memory, size of pairs.tsv,
                       time from a few pairs timed here) and stop: no pair
                       is analysed and no folder written; -o is optional
  --force              run even when the plan's peak memory is above the
                       memory available (the smallest of the control
                       group's limit, ulimit -v and MemAvailable), which
                       otherwise stops the run before its pairs (status 2)
  --quiet              no progress line
  --progress           plain progress lines on standard error
  -h, --help           this text
  --version            the program's version

Output folder: report.html (the run, the top pairs' panels, the heatmap and
a table of the best pairs, in one page for any browser), pairs.tsv (every
pair, ranked, or those --pairs chooses), genes.tsv (every gene), design.tsv (which column is which
time point and replicate), values.tsv (the values analysed, for
'coswitch plot'), time_densities.tsv (with --mode T), heatmap.svg (above 300
kept genes, the 300 with the most pairs that pass), edges.tsv, nodes.tsv and
network.graphml (the network of the pairs passing --fdr), run.tsv (how the
run was made). A short summary goes to standard output, with the plan
before the pairs: the pairs, the peak memory, the size of pairs.tsv and the
time the pairs take, from a few of them timed on this machine. A run whose
peak would pass the memory available stops there (status 2) unless --force.
)";
}

}  // namespace coswitch
