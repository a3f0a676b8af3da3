#include "coswitch/coswitch.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <map>
#include <string>

#include "support/run_program.hpp"
#include "support/tables.hpp"
#include "table/named_table.hpp"

using namespace coswitch::testing;
namespace api = coswitch::api;
namespace fs = std::filesystem;

namespace {

const fs::path kExamples = fs::path(COSWITCH_SOURCE_DIR) / "examples";

// The bundled example as a program holding it in memory would: the table's
// values, and the design file's time and replicate of each sample.
struct Example {
    api::Matrix data;
    api::Design design;
};

Example bundled_example() {
    const coswitch::NamedTable t =
        coswitch::read_named_table((kExamples / "expression.tsv").string(), "expression.tsv");
    Example e;
    e.data.genes = t.ids;
    e.data.samples = t.samples;
    e.data.values = t.values;
    std::map<std::string, std::pair<double, std::string>> by_sample;
    std::istringstream in(read_file(kExamples / "design.tsv"));
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream cells(line);
        std::string sample, time, rep;
        std::getline(cells, sample, '\t');
        std::getline(cells, time, '\t');
        std::getline(cells, rep, '\t');
        by_sample[sample] = {std::stod(time), rep};
    }
    for (const std::string& s : t.samples) {
        e.design.time.push_back(by_sample.at(s).first);
        e.design.replicate.push_back(by_sample.at(s).second);
    }
    return e;
}

}  // namespace

// The library gives what the command line gives, byte for byte in the
// folder it writes, and its pairs and genes are the rows of those files.
TEST(Api, SameResultsAsTheCommandLine) {
    ScratchDir d;
    const auto cli = run_program(d.path(), "",
                                 {"scan", (kExamples / "expression.tsv").string(), "--design",
                                  (kExamples / "design.tsv").string(), "--bootstrap", "20", "-o",
                                  "cli", "--quiet"});
    ASSERT_EQ(cli.status, 0) << cli.err;
    const Example e = bundled_example();
    api::Settings settings;
    settings.bootstrap = 20;
    std::int64_t calls = 0, last = 0;
    api::Control control;
    control.progress = [&](std::int64_t done, std::int64_t total) {
        ++calls;
        last = done;
        EXPECT_EQ(total, 21);
    };
    const api::Result r = api::scan(e.data, e.design, settings, control);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(last, 21);
    r.write((d / "lib").string(), "a test of the library");
    for (const char* f : {"pairs.tsv", "genes.tsv", "edges.tsv", "nodes.tsv", "values.tsv"})
        EXPECT_EQ(read_file(d / "lib" / f), read_file(d / "cli" / f)) << f;
    EXPECT_NE(read_file(d / "lib" / "run.tsv").find("command\ta test of the library\n"), std::string::npos);

    ASSERT_EQ(r.pairs.size(), 21u);
    EXPECT_EQ(r.pooled_nulls, 420);
    EXPECT_EQ(r.time_points, 8);
    EXPECT_EQ(r.replicates, 3);
    const std::string first = read_file(d / "cli" / "pairs.tsv").substr(0, 400);
    const api::Pair& top = r.pairs[0];
    EXPECT_EQ(top.rank, 1);
    EXPECT_NE(first.find("\n1\t" + top.gene1 + "\t" + top.gene2 + "\t"), std::string::npos) << first;
    EXPECT_EQ(top.p_new, 1.0 / 421 * std::round(top.p_new * 421));
    EXPECT_EQ(top.stat_corr, std::fabs(top.r));
    ASSERT_EQ(r.genes.size(), 7u);
    // geneG's empty cell is a missing value of the model, the default.
    EXPECT_EQ(r.genes[6].id, "geneG");
    EXPECT_EQ(r.genes[6].status, "kept");
    EXPECT_EQ(r.genes[6].index, 7);
    EXPECT_EQ(r.genes[6].missing, 1);
    EXPECT_EQ(r.genes[5].missing, 0);
    EXPECT_EQ(r.genes[0].index, 1);
    // Dropped under "drop", with no densities.
    api::Settings drop = settings;
    drop.missing = "drop";
    const std::vector<api::Gene> dropped = api::fit_genes(e.data, e.design, drop);
    EXPECT_EQ(dropped[6].status, "dropped");
    EXPECT_EQ(dropped[6].reason, "missing value");
    EXPECT_EQ(dropped[6].missing, 1);
    EXPECT_TRUE(std::isnan(dropped[6].mean0));
    EXPECT_EQ(dropped[5].mean0, r.genes[5].mean0);

    // The fits alone are those of the scan.
    const std::vector<api::Gene> fits = api::fit_genes(e.data, e.design, settings);
    ASSERT_EQ(fits.size(), r.genes.size());
    for (std::size_t g = 0; g < fits.size(); ++g) {
        EXPECT_EQ(fits[g].id, r.genes[g].id);
        EXPECT_EQ(std::isnan(fits[g].mean0) ? 0.0 : fits[g].mean0,
                  std::isnan(r.genes[g].mean0) ? 0.0 : r.genes[g].mean0);
        EXPECT_EQ(fits[g].switching, r.genes[g].switching);
    }
}

// Without replicate labels a time point's samples are replicates 1, 2, ...
// in column order; samples with a NaN time are left out.
TEST(Api, ReplicatesByOrderAndUnusedSamples) {
    const std::string text = switching_table(5, 6, 2, 3);
    ScratchDir d;
    write_file(d / "t.tsv", text);
    const coswitch::NamedTable t = coswitch::read_named_table((d / "t.tsv").string(), "t.tsv");
    api::Matrix m{t.ids, t.samples, t.values};
    m.samples.push_back("extra");
    m.values.clear();
    for (std::size_t g = 0; g < t.genes(); ++g) {
        for (std::size_t s = 0; s < t.samples.size(); ++s) m.values.push_back(t.value(g, s));
        m.values.push_back(1e9);  // never used
    }
    api::Design design;
    for (int time = 1; time <= 6; ++time) design.time.insert(design.time.end(), {time * 2.0, time * 2.0});
    design.time.push_back(std::nan(""));
    api::Settings s;
    s.bootstrap = 3;
    const api::Result r = api::scan(m, design, s);
    EXPECT_EQ(r.time_points, 6);
    EXPECT_EQ(r.replicates, 2);
    EXPECT_EQ(r.pairs.size(), 10u);
}

// A time point without one of the replicates: holes under the model, the
// default; under drop an error that says what to give.
TEST(Api, AnUnbalancedDesignIsMissingValuesUnderTheModel) {
    Example e = bundled_example();
    e.design.time[4] = std::nan("");  // 2h_B is not used
    api::Settings s;
    s.bootstrap = 2;
    s.threads = 1;
    const api::Result r = api::scan(e.data, e.design, s);
    EXPECT_EQ(r.time_points, 8);
    EXPECT_EQ(r.replicates, 3);
    EXPECT_EQ(r.pairs.size(), 21u);
    EXPECT_TRUE(r.pair_notes);
    EXPECT_EQ(r.genes[0].missing, 0);  // a hole is no missing value of a gene
    s.missing = "drop";
    try {
        api::scan(e.data, e.design, s);
        ADD_FAILURE() << "no error";
    } catch (const api::Error& err) {
        EXPECT_EQ(err.status(), 2);
        EXPECT_NE(std::string(err.what()).find("give --missing model"), std::string::npos) << err.what();
    }
}

// Bad input and settings are errors with the command line's status; a
// cancelled run throws Cancelled and leaves nothing.
TEST(Api, ErrorsAndCancelling) {
    Example e = bundled_example();
    auto status_of = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const api::Error& err) {
            return err.status();
        }
        return 0;
    };
    api::Matrix short_values = e.data;
    short_values.values.pop_back();
    EXPECT_EQ(status_of([&] { api::scan(short_values, e.design); }), 2);
    api::Matrix twice = e.data;
    twice.genes[1] = twice.genes[0];
    EXPECT_EQ(status_of([&] { api::scan(twice, e.design); }), 2);
    api::Design few = e.design;
    few.time.pop_back();
    EXPECT_EQ(status_of([&] { api::scan(e.data, few); }), 2);
    api::Settings bad;
    bad.null = "sometimes";
    EXPECT_EQ(status_of([&] { api::scan(e.data, e.design, bad); }), 2);
    bad = {};
    bad.genes = {"geneA", "nope"};
    EXPECT_EQ(status_of([&] { api::scan(e.data, e.design, bad); }), 2);

    std::atomic<bool> cancel{true};
    api::Control control;
    control.cancel = &cancel;
    EXPECT_THROW(api::scan(e.data, e.design, {}, control), api::Cancelled);
    EXPECT_FALSE(api::version().empty());
}
