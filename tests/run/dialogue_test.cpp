#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "run/dialogue.hpp"
#include "run/errors.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
struct DialogueResult {
    RunParameters p;
    std::string out;
    bool failed = false;
    int status = 0;
    std::string error;
};

// Runs the dialogue on in-memory streams.
DialogueResult dialogue(const std::string& input) {
    DialogueResult r;
    std::FILE* in = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* out = ::open_memstream(&buf, &len);
    try {
        AnswerReader reader(in);
        r.p = run_dialogue(reader, out);
    } catch (const RunError& e) {
        r.failed = true;
        r.status = e.status;
        r.error = e.what();
    }
    std::fclose(out);
    std::fclose(in);
    r.out.assign(buf, len);
    std::free(buf);
    return r;
}

const std::string kFlagLines =
    " Probability density is gene index or time index?\n (G: gene index; T: time index)\n";
const std::string kFlagError = " Input error: answer G (gene index) or T (time index)!\n";
const std::string kTime = " Input time points:\n";
const std::string kRep = " Input the number of replicates:\n";
const std::string kBoot = " Input the number of boot strap:\n";
const std::string kGene = " Input the number of genes:\n";
const std::string kTimeError = " Input error: time points are suggested less than 50!\n";
const std::string kRepError = " Input error: The number of replicates are suggested than 50!\n";
const std::string kBootError = " Input error: The number of boot strap are suggested than 100!\n";
const std::string kGeneError = " Input error: the number of genes are suggested than 100!\n";
}  // namespace

TEST(Dialogue, BoundsAreAcceptedAndOneAboveIsAskedAgain) {
    const auto r = dialogue("x\nG\n51\n50\n51\n50\n101\n100\n61\n60\n");
    ASSERT_FALSE(r.failed) << r.error;
    EXPECT_EQ(r.out, kFlagLines + kFlagError + kFlagLines + kTime + kTimeError + kTime + kRep +
                         kRepError + kRep + kBoot + kBootError + kBoot + kGene + kGeneError +
                         kGene);
    EXPECT_EQ(r.p.FLAG, 'G');
    EXPECT_EQ(r.p.NTIME, 50);
    EXPECT_EQ(r.p.NREP, 50);
    EXPECT_EQ(r.p.NBOOT, 100);
    EXPECT_EQ(r.p.NGENE, 60);

    // No lower bound; re-asks repeat without limit.
    const auto low = dialogue("T\n99\n99\n-7\n0\n-2147483648\n1000\n1000\n-1\n");
    ASSERT_FALSE(low.failed) << low.error;
    EXPECT_EQ(low.p.NTIME, -7);
    EXPECT_EQ(low.p.NREP, 0);
    EXPECT_EQ(low.p.NBOOT, -2147483648);
    EXPECT_EQ(low.p.NGENE, -1);
    EXPECT_EQ(low.out, kFlagLines + kTime + kTimeError + kTime + kTimeError + kTime + kRep +
                           kBoot + kGene + kGeneError + kGene + kGeneError + kGene);
}

TEST(Dialogue, FirstAnswerCountsByItsFirstCharacterInEitherCase) {
    const std::string counts = "2\n1\n0\n2\n";
    for (const char* a : {"G", "g", "Gene", "  gx,T", "'Gene'", "\"g\""})
        EXPECT_EQ(dialogue(std::string(a) + "\n" + counts).p.FLAG, 'G') << a;
    for (const char* a : {"T", "t", "Time", "\tT", "'t'", "T,G"})
        EXPECT_EQ(dialogue(std::string(a) + "\n" + counts).p.FLAG, 'T') << a;
    // Anything else is refused and asked again, both lines each time.
    const auto r = dialogue("x\n1\n'x'\n, T\n-G\nG\n" + counts);
    ASSERT_FALSE(r.failed) << r.error;
    EXPECT_EQ(r.p.FLAG, 'G');
    std::string expected;
    for (int k = 0; k < 5; ++k) expected += kFlagLines + kFlagError;
    EXPECT_EQ(r.out.substr(0, expected.size() + kFlagLines.size()), expected + kFlagLines);
}

TEST(Dialogue, AnswerLinesAreFreeForm) {
    // Blank lines (blanks, tabs, CR) are skipped; a value ends at a blank or a
    // comma and the rest of its line is ignored.
    const auto r = dialogue("\n \t\r\nG\r\n\n12\r\n  7,99\n\t3 extra words\n\n\n+4\t\n");
    ASSERT_FALSE(r.failed) << r.error;
    EXPECT_EQ(r.p.NTIME, 12);
    EXPECT_EQ(r.p.NREP, 7);
    EXPECT_EQ(r.p.NBOOT, 3);
    EXPECT_EQ(r.p.NGENE, 4);
    EXPECT_EQ(r.out, kFlagLines + kTime + kRep + kBoot + kGene);
    // The last answer needs no line end.
    EXPECT_EQ(dialogue("G\n1\n1\n1\n5").p.NGENE, 5);

    int v = 0;
    EXPECT_TRUE(parse_count(answer_value("2147483647"), v));
    EXPECT_EQ(v, 2147483647);
    for (const char* bad : {"'5'", "\"5\"", "5x", "1.0", "1e2", "2147483648", "-2147483649",
                            "+", "-", "x", "99999999999999999999"})
        EXPECT_FALSE(parse_count(answer_value(bad), v)) << bad;
}

TEST(Dialogue, NonNumbersAndEndOfInputStopTheRun) {
    struct Case {
        const char* input;
        const char* in_message;
    };
    for (const Case& c : {Case{"G\n'5'\n", "Input time points:"},
                          Case{"G\n3\nthree\n", "Input the number of replicates:"},
                          Case{"G\n3\n2\n1.5\n", "Input the number of boot strap:"},
                          Case{"G\n3\n2\n1\n3000000000\n", "Input the number of genes:"},
                          Case{"", "gene index or time index"},
                          Case{"x\n\n\n", "gene index or time index"},
                          Case{"G\n3\n2\n", "Input the number of boot strap:"},
                          Case{"G\n3\n2\n1\n\n  \n", "Input the number of genes:"}}) {
        const auto r = dialogue(c.input);
        EXPECT_TRUE(r.failed) << c.input;
        EXPECT_EQ(r.status, kExitInput) << c.input;
        EXPECT_NE(r.error.find(c.in_message), std::string::npos) << r.error;
    }
}

TEST(Dialogue, WholeProgramTranscriptAndEarlyStops) {
    ScratchDir d;
    write_synthetic_inputs(d.path(), 4, 2, 3, false);
    const auto r = run_program(d.path(), "\nq\nG\n51\n4\n51\n2\n101\n2\n61\n3\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kFlagLines + kFlagError + kFlagLines + kTime + kTimeError + kTime + kRep +
                         kRepError + kRep + kBoot + kBootError + kBoot + kGene + kGeneError +
                         kGene + " The program is running, please wait...\n");
    EXPECT_EQ(r.err, "");

    // Bad answers end the run with status 2 before any result file exists.
    for (const char* input : {"G\n4\n2\n2\n'3'\n", "G\n4\n2\n", "G\n4\n2\nfew\n3\n"}) {
        ScratchDir e;
        write_synthetic_inputs(e.path(), 4, 2, 3, false);
        const auto bad = run_program(e.path(), input);
        EXPECT_EQ(bad.status, 2) << input;
        EXPECT_NE(bad.err, "") << input;
        EXPECT_EQ(bad.out.find("running"), std::string::npos) << input;
        EXPECT_FALSE(std::filesystem::exists(e / "pvalue.txt")) << input;
        EXPECT_FALSE(std::filesystem::exists(e / "output.txt")) << input;
    }
}
