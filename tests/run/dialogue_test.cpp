#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "run/dialogue.hpp"
#include "io/errors.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
struct DialogueResult {
    std::string answers, out, error;  // answers: flag and the four counts
    int status = 0;
};

DialogueResult dialogue(std::string input) {
    DialogueResult r;
    std::FILE* in = ::fmemopen(input.data(), input.size(), "r");
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* out = ::open_memstream(&buf, &len);
    try {
        AnswerReader reader(in);
        const RunParameters p = run_dialogue(reader, out);
        for (int v : {p.NTIME, p.NREP, p.NBOOT, p.NGENE}) r.answers += " " + std::to_string(v);
        r.answers.insert(0, 1, p.FLAG);
    } catch (const RunError& e) {
        r.status = e.status;
        r.error = e.what();
    }
    std::fclose(out);
    std::fclose(in);
    r.out.assign(buf, len);
    std::free(buf);
    return r;
}

const std::string kFlag =
    " Probability density is gene index or time index?\n (G: gene index; T: time index)\n";
const std::string kFlagError = " Input error: answer G (gene index) or T (time index)!\n";
const std::string kTime = " Input time points:\n", kRep = " Input the number of replicates:\n",
                  kBoot = " Input the number of boot strap:\n", kGene = " Input the number of genes:\n";
const std::string kAllAsked = kFlag + kTime + kRep + kBoot + kGene;
// Each count one above its bound, then at it.
const std::string kCountsReasked =
    kTime + " Input error: time points are suggested less than 50!\n" + kTime + kRep +
    " Input error: The number of replicates are suggested than 50!\n" + kRep + kBoot +
    " Input error: The number of boot strap are suggested than 100!\n" + kBoot + kGene +
    " Input error: the number of genes are suggested than 100!\n" + kGene;
}  // namespace

TEST(Dialogue, ExactTranscriptWithReasksAtEveryBound) {
    // A first answer not starting with G/g/T/t is refused and both its lines asked again.
    const auto r = dialogue("x\n1\n'x'\n, T\n-G\nG\n51\n50\n51\n50\n101\n100\n61\n60\n");
    std::string refused;
    for (int k = 0; k < 5; ++k) refused += kFlag + kFlagError;
    ASSERT_EQ(r.status, 0) << r.error;
    EXPECT_EQ(r.out, refused + kFlag + kCountsReasked);
    EXPECT_EQ(r.answers, "G 50 50 100 60");

    // The program writes the same and, on a count that is not a whole number, stops before
    // creating any file.
    ScratchDir d;
    write_synthetic_inputs(d.path(), 4, 2, 3, false);
    const auto run = run_program(d.path(), "\nq\nG\n51\n4\n51\n2\n101\n2\n61\n'3'\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, kFlag + kFlagError + kFlag + kCountsReasked);
    EXPECT_FALSE(std::filesystem::exists(d / "pvalue.txt") || std::filesystem::exists(d / "output.txt"));
}

TEST(Dialogue, AnswerReadingRulesAndWhatStopsTheRun) {
    // Blank lines (with tabs and CR) skipped; a value ends at a blank or comma; no final line end.
    const auto r = dialogue("\n \t\r\nG\r\n\n12\r\n  7,99\n\t3 extra words\n\n\n+4");
    EXPECT_EQ(r.out, kAllAsked);
    EXPECT_EQ(r.answers, "G 12 7 3 4");
    int v = 0;
    EXPECT_TRUE(parse_count(answer_value("2147483647"), v));
    // Only the first character of the first answer counts, in either case.
    for (const auto& [a, flag] : std::vector<std::pair<std::string, char>>{
             {"g", 'G'}, {"Gene", 'G'}, {"  gx,T", 'G'}, {"'Gene'", 'G'}, {"t", 'T'}, {"\tTime", 'T'},
             {"T,G", 'T'}, {"\"G\"", 'G'}, {" \"time\" x", 'T'}, {"\"T", 'T'}})
        EXPECT_EQ(dialogue(a + "\n2\n1\n0\n2\n").answers, flag + std::string(" 2 1 0 2")) << a;

    // Not a whole 32-bit number (a quoted one neither), or input ending early.
    for (const auto& [input, question] : std::vector<std::pair<std::string, std::string>>{
             {"G\n'5'\n", "Input time points:"}, {"G\n3\nthree\n", "Input the number of replicates:"},
             {"G\n3\n2\n1.5\n", "Input the number of boot strap:"},
             {"G\n3\n2\n1\n2147483648\n", "Input the number of genes:"},
             {"x\n\n\n", "gene index or time index"},
             {"G\n3\n2\n1\n\n  \n", "Input the number of genes:"}}) {
        const auto bad = dialogue(input);
        EXPECT_EQ(bad.status, kExitInput) << input;
        EXPECT_NE(bad.error.find(question), std::string::npos) << bad.error;
    }
}
