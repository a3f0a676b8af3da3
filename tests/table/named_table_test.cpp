#include "table/named_table.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>

#include "table/input_file.hpp"
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
    const std::string csv = "\"\",\"a\",\"b,c\"\n\"say 'hi'\",1.5,NA\n\"g1, long\", \"2\" ,3\n";
    ScratchDir dir;
    for (const std::string name : {"r.csv", "r.csv.gz"}) {
        const NamedTable t = table_from(dir, csv, name);
        EXPECT_EQ(t.separator, ',');
        EXPECT_EQ(t.samples, (std::vector<std::string>{"a", "b,c"}));
        EXPECT_EQ(t.ids, (std::vector<std::string>{"say 'hi'", "g1, long"}));
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

// R's write.table(x, sep = "\t") names the samples only: the header is one
// cell shorter than every row, whose first cell is the id.
TEST(NamedTable, RowNamesAsRWritesThem) {
    ScratchDir dir;
    const NamedTable t =
        table_from(dir, "\"a\"\t\"b\"\n\"g1\"\t1.5\tNA\n\"g2\"\t2\t3\n", "r.tsv");
    EXPECT_TRUE(t.row_names);
    EXPECT_EQ(t.id_header, "");
    EXPECT_EQ(t.samples, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(t.ids, (std::vector<std::string>{"g1", "g2"}));
    EXPECT_EQ(t.value(0, 0), 1.5);
    EXPECT_TRUE(std::isnan(t.value(0, 1)));
    EXPECT_EQ(t.value(1, 1), 3);
    EXPECT_FALSE(table_from(dir, "id\ta\tb\ng1\t1\t2\n").row_names);
    auto error = [&](const std::string& text) {
        return input_error([&] { table_from(dir, text, "x.tsv"); });
    };
    // Then every row has the first row's cells: a short one is no spreadsheet's.
    EXPECT_EQ(error("a\tb\ng1\t1\t2\ng2\t3\n"),
              "x.tsv:3: 2 cells; the rows before have 3, one more than the header line (the ids "
              "unnamed, as R writes row names)");
    EXPECT_EQ(error("a\tb\ng1\t1\t2\ng2\t3\t4\t5\n"),
              "x.tsv:3: 4 cells, more than the 3 of the header line");
    // A first row one longer by a stray separator at its end is no R table.
    EXPECT_EQ(error("id\ta\tb\ng1\t1\t2\t\n"), "x.tsv:2: 4 cells, more than the 3 of the header line");
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

TEST(NamedTable, IdsAndNamesTheResultsCannotCarryAreRefusedAsRead) {
    ScratchDir dir;
    auto error = [&](const std::string& text) {
        return input_error([&] { table_from(dir, text, "x.csv"); });
    };
    // A quoted cell of a comma-separated table may hold a tab or a CR: the
    // row of genes.tsv or pairs.tsv would break.
    EXPECT_EQ(error("id,a\n\"g\t1\",1\n"),
              "x.csv:2: gene id \"g\\t1\" holds a tab, which would split its row of the "
              "tab-separated results; rename it");
    EXPECT_TRUE(
        contains(error("id,a\ng0,1\n\"g\r1\",1\n"), "x.csv:3: gene id \"g\\r1\" holds a line end"));
    EXPECT_TRUE(contains(error("id,a\n\"g\x1b[2J\",1\n"),
                         "x.csv:2: gene id \"g\\x1b[2J\" holds a control character"));
    // R's read.delim and pandas would pair a quote with the next one.
    EXPECT_TRUE(contains(error("id,a\n\"a\"\"b\",1\n"),
                         "x.csv:2: gene id \"a\\\"b\" holds a double quote"));
    EXPECT_TRUE(contains(error("id,a\n\"a\"\"b\",1\n"), "(an apostrophe is fine)"));
    // Latin-1 is not UTF-8: shown byte by byte.
    EXPECT_TRUE(contains(error("id,a\ncaf\xe9,1\n"), "x.csv:2: gene id \"caf\\xe9\" is not UTF-8"));
    EXPECT_TRUE(contains(error("id,a\n\xed\xa0\x80,1\n"), "\"\\xed\\xa0\\x80\" is not UTF-8"));
    // Sample names alike, each named by its column, used or not.
    EXPECT_TRUE(contains(error("id\ta\t\"b\tc\"\ng\t1\t2\n"),
                         "x.csv:1: column 3: sample name \"b\\tc\" holds a tab"));
    EXPECT_TRUE(contains(error("id,\"5\"\"\"\ng,1\n"),
                         "x.csv:1: column 2: sample name \"5\\\"\" holds a double quote"));
    EXPECT_TRUE(contains(error("id,a,Zeit_\xe4\ng,1,2\n"),
                         "x.csv:1: column 3: sample name \"Zeit_\\xe4\" is not UTF-8"));
    EXPECT_TRUE(contains(error("id,a\x7f\ng,1\n"), "x.csv:1: column 2: sample name \"a\\x7f\""));

    // What they may hold: apostrophes, brackets, blanks, any UTF-8.
    const NamedTable t = table_from(
        dir,
        "id,\"t 0h (a)\",d\xc3\xa9j\xc3\xa0\n\"O'Brien [1]\",1,2\n\xe6\x97\xa5\xe6\x9c\xac,3,4\n",
        "ok.csv");
    EXPECT_EQ(t.samples, (std::vector<std::string>{"t 0h (a)", "d\xc3\xa9j\xc3\xa0"}));
    EXPECT_EQ(t.ids, (std::vector<std::string>{"O'Brien [1]", "\xe6\x97\xa5\xe6\x9c\xac"}));
}

TEST(NamedTable, GzipByItsBytesBinaryDataFirstAndTheLimitsOfAFile) {
    ScratchDir dir;
    auto error = [&](const std::string& name, const std::string& data) {
        write_file(dir / name, data);
        return input_error([&] { read_named_table((dir / name).string(), name); });
    };
    // Compressed but named without .gz: read as gzip all the same.
    write_file(dir / "t.tsv", gzip("id\ts\ng1\t1\n"));
    EXPECT_EQ(read_named_table((dir / "t.tsv").string(), "t.tsv").ids,
              (std::vector<std::string>{"g1"}));
    // A zip (a spreadsheet's own format) is binary data, whatever else it
    // holds (a CR before any LF, no tab or comma).
    EXPECT_TRUE(
        contains(error("t.xlsx", std::string("PK\x03\x04\x14\x00\x06\x00\r\x08\x00!\n", 14)),
                 "t.xlsx:1: NUL byte: binary data, not a text table"));

    // A gzip bomb: a few kilobytes that would expand to a line, or blank
    // lines, past the limit are refused as they expand.
    EXPECT_EQ(error("bomb.tsv.gz", gzip("id\ts\n" + std::string(kMaxLineBytes + 1, 'x'))),
              "bomb.tsv.gz:2: line longer than 16 MiB, the most one line may hold: not a table "
              "of text lines?");
    EXPECT_EQ(error("blank.tsv.gz", gzip("id\ts\ng\t1\n" + std::string(kMaxLineBytes + 1, '\n'))),
              "blank.tsv.gz:" + std::to_string(kMaxLineBytes + 3) +
                  ": more than 16 MiB of blank lines in a row, the most a file may hold");
    std::string rows = "id\ts\n";
    while (rows.size() <= kMaxLineBytes + 16) rows += "g\t1\n";
    EXPECT_EQ(error("rows.tsv.gz", gzip(rows)),
              "rows.tsv.gz:2: this line repeats, over 16 MiB of it in a row: not a table of text "
              "lines?");
    EXPECT_TRUE(contains(error("cr.tsv", "id\ts\r" + std::string(kMaxLineBytes, 'x')),
                         "cr.tsv:1: lines end in CR alone"));
    // Short rows are padded with missing values: a wide header and short
    // rows would ask for gigabytes; refused before any is taken.
    std::string wide = "id" + std::string(std::size_t{1} << 20, '\t') + "\n";
    for (int g = 0; g < 257; ++g) wide += "g" + std::to_string(g) + "\n";
    EXPECT_EQ(error("wide.tsv", wide),
              "wide.tsv: 257 gene rows x 1048576 samples: more than 268,435,456 (2^28) values, "
              "the most one table may hold");
}
