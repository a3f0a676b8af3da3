#include "table/named_table.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>

#include "table/table_files.hpp"

using namespace coswitch;
using namespace coswitch::testing;

TEST(NamedTable, TabCrlfBomAndTrailingBlankLines) {
    ScratchDir dir;
    const std::string text =
        "\xEF\xBB\xBF\tt1\tt2\r\nYAL001C\t0.15\t-1.2e-1\r\n YBR(2):x-y z \t3\t.5\r\n\r\n  \n";
    const NamedTable t = table_from(dir, text);
    EXPECT_EQ(t.separator, '\t');
    EXPECT_EQ(t.id_header, "");
    EXPECT_EQ(t.samples, (std::vector<std::string>{"t1", "t2"}));
    EXPECT_EQ(t.ids, (std::vector<std::string>{"YAL001C", "YBR(2):x-y z"}));
    EXPECT_EQ(t.lines, (std::vector<std::uint64_t>{2, 3}));
    EXPECT_EQ(t.values, (std::vector<double>{0.15, -0.12, 3, 0.5}));
    EXPECT_EQ(t.file_bytes, text.size());
}

TEST(NamedTable, CommaTableAsRWritesItAndGzip) {
    const std::string csv =
        "\"\",\"a\",\"b,c\"\n\"say \"\"hi\"\"\",1.5,NA\n\"g1, long\", \"2\" ,3\n";
    ScratchDir dir;
    for (const std::string name : {"r.csv", "r.csv.gz"}) {
        const NamedTable t = table_from(dir, csv, name);
        EXPECT_EQ(t.separator, ',');
        EXPECT_EQ(t.samples, (std::vector<std::string>{"a", "b,c"}));
        EXPECT_EQ(t.ids, (std::vector<std::string>{"say \"hi\"", "g1, long"}));
        EXPECT_EQ(t.value(0, 0), 1.5);
        EXPECT_TRUE(std::isnan(t.value(0, 1)));
        EXPECT_EQ(t.value(1, 0), 2);
    }
    EXPECT_EQ(table_from(dir, csv, "r.csv.gz").file_bytes, gzip(csv).size());  // as stored

    // Two gzip members one after the other read as one text.
    write_file(dir / "two.tsv.gz", gzip("id\ts\ng1\t1\n") + gzip("g2\t2\n"));
    EXPECT_EQ(read_named_table((dir / "two.tsv.gz").string(), "two.tsv.gz").ids.size(), 2u);

    const std::string whole = gzip("id\ts\ng1\t1\n");
    write_file(dir / "cut.tsv.gz", whole.substr(0, whole.size() - 6));
    auto error = [&](const std::string& name) {
        return input_error([&] { read_named_table((dir / name).string(), name); });
    };
    EXPECT_TRUE(contains(error("cut.tsv.gz"), "cut.tsv.gz: gzip data ends early"));
    write_file(dir / "plain.tsv.gz", "id\ts\ng1\t1\n");
    EXPECT_TRUE(contains(error("plain.tsv.gz"), "plain.tsv.gz: corrupt gzip data"));
}

TEST(NamedTable, EverySpellingOfMissingAndShortRows) {
    ScratchDir dir;
    const NamedTable t = table_from(dir,
                                    "id\ta\tb\tc\td\te\tf\tg\th\tk\n"
                                    "g1\t\t \tNA\tna\tNaN\tnan\tNAN\tnull\tNULL\n"
                                    "g2\tNull\t\"\"\t\"NA\"\t1\n"
                                    "g3\n");
    for (std::size_t s = 0; s < 9; ++s) EXPECT_TRUE(std::isnan(t.value(0, s))) << s;
    for (std::size_t s = 0; s < 9; ++s) EXPECT_EQ(std::isnan(t.value(1, s)), s != 3) << s;
    for (std::size_t s = 0; s < 9; ++s) EXPECT_TRUE(std::isnan(t.value(2, s))) << s;
}

TEST(NamedTable, BadCellsNameFileLineColumnAndText) {
    ScratchDir dir;
    auto error = [&](const std::string& text) {
        return input_error([&] { table_from(dir, text, "x.tsv"); });
    };
    EXPECT_EQ(error("id\ta\tb\ng1\t1\t2\ng2\t3\t1.2.3\n"),
              "x.tsv:3: column \"b\": \"1.2.3\" is not a finite number or a missing value "
              "(empty, NA, NaN, null)");
    for (const char* bad : {"Inf", "-inf", "1e999", "0x10", "1.5D3", "1,5", "--1", "e5", "."})
        EXPECT_TRUE(contains(error(std::string("id\ta\ng1\t") + bad + "\n"),
                             "x.tsv:2: column \"a\": \"" + std::string(bad) + "\""));
    // Long text cut at 40 bytes, control characters escaped, unnamed columns by number.
    EXPECT_TRUE(contains(error("id\t\ng1\t" + std::string(50, 'x') + "\n"),
                         "column 2 (no name): \"" + std::string(40, 'x') + "...\""));
    EXPECT_TRUE(contains(error("id\ta\ng1\t1\x01\"\n"), "\"1\\x01\\\"\""));
    EXPECT_EQ(table_from(dir, "id\ta\ng1\t1e-400\n").value(0, 0), 0.0);
}

TEST(NamedTable, StructureErrors) {
    ScratchDir dir;
    auto error = [&](const std::string& text) {
        return input_error([&] { table_from(dir, text, "x.tsv"); });
    };
    EXPECT_EQ(error("id\ta\ng1\t1\ng2\t2\ng1\t3\n"),
              "x.tsv:4: duplicate gene id \"g1\" (first on line 2)");
    EXPECT_EQ(error("id\ta\n\t1\n"), "x.tsv:2: empty gene id");
    EXPECT_EQ(error("id\ta\ng1\t1\t\n"), "x.tsv:2: 3 cells, more than the 2 of the header line");
    EXPECT_EQ(error("id\ta\ng1\t1\n\ng2\t2\n"), "x.tsv:3: blank line inside the table");
    EXPECT_EQ(error(""), "x.tsv: empty file: no header line");
    EXPECT_EQ(error("\n \n"), "x.tsv: empty file: no header line");
    EXPECT_EQ(error("id\ta\n\n"), "x.tsv: no gene rows after the header line");
    EXPECT_TRUE(contains(error("id\ta\rg1\t1\r"), "x.tsv:1: lines end in CR alone"));
    EXPECT_TRUE(contains(error("id a b\ng 1 2\n"), "x.tsv:1: cannot tell the separator"));
    EXPECT_TRUE(contains(error("id a b\ng 1 2\n"), "tried tab, then comma"));
    EXPECT_TRUE(
        contains(error("id,a\n\"g1,1\n"), "x.tsv:2: quote opened in column 1 is not closed"));
    EXPECT_TRUE(contains(error("id,a\n\"g1\"x,1\n"), "x.tsv:2: text after the closing quote"));
    EXPECT_TRUE(contains(error(std::string("id\ta\ng\0\t1\n", 11)), "x.tsv:2: NUL byte"));
}

TEST(NamedTable, OnlyRegularFilesAreRead) {
    ScratchDir dir;
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Must not wait for a writer.
    EXPECT_EQ(input_error([&] { read_named_table(fifo, "fifo"); }),
              "fifo: is a pipe, not a regular file");
    EXPECT_EQ(input_error([&] { read_named_table(dir.path().string(), "d"); }),
              "d: is a directory, not a regular file");
    EXPECT_EQ(input_error([&] { read_named_table("/dev/null", "/dev/null"); }),
              "/dev/null: is a device, not a regular file");
    EXPECT_EQ(input_error([&] { read_named_table((dir / "none").string(), "none"); }),
              "none: file not found");
}
