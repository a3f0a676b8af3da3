// Diagnostics as a user reads them: whole lines, the file named as it is
// reached from where the program was started.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/quoted.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
const std::vector<std::string> kFive = {"--mode", "G", "--time-points", "4", "--replicates", "2",
                                        "--bootstrap", "2", "--genes", "3"};
std::vector<std::string> in_dir(const std::string& dir) {
    std::vector<std::string> a = kFive;
    a.insert(a.end(), {"-C", dir});
    return a;
}
const std::string kExistsHint =
    ": file exists and cannot be overwritten; it holds the results of an earlier run (or what a "
    "failed run left): move or remove it, or run in another directory with -C\n";
}  // namespace

TEST(Messages, FilesAreNamedAsReachedFromHere) {
    ScratchDir base;
    fs::create_directory(base / "run");
    write_synthetic_inputs(base / "run", 4, 2, 3, false);
    write_file(base / "run" / "pvalue.txt", "old\n");
    auto r = run_program(base.path(), "", in_dir("run"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "coswitch: run/pvalue.txt" + kExistsHint);
    fs::remove(base / "run" / "pvalue.txt");
    write_file(base / "run" / "output.txt", "old\n");
    r = run_program(base.path(), "", in_dir("run"));
    EXPECT_EQ(r.err, "coswitch: run/output.txt" + kExistsHint);
    EXPECT_FALSE(fs::exists(base / "run" / "pvalue.txt"));
    r = run_program(base / "run", "", kFive);
    EXPECT_EQ(r.err, "coswitch: output.txt" + kExistsHint);
    fs::remove(base / "run" / "output.txt");

    // Inputs the same way, with their lines.
    write_file(base / "run" / "para2.txt", "1 2 3\n0.5 x 0.5\n");
    r = run_program(base.path(), "", in_dir("run"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "coswitch: run/para2.txt:2: cannot read \"x\" as a number\n");
    fs::remove(base / "run" / "realdata.txt");
    fs::remove(base / "run" / "pvalue.txt"), fs::remove(base / "run" / "output.txt");
    r = run_program(base.path(), "", in_dir("run"));
    EXPECT_EQ(r.err, "coswitch: run/realdata.txt: file not found\n");

    // fit and summary too; a missing directory is named as such.
    r = run_program(base.path(), "", {"fit", "--mode", "G", "--time-points", "4", "--replicates", "2",
                                      "--genes", "3", "-C", "run"});
    EXPECT_EQ(r.err, "coswitch: run/realdata.txt: file not found\n");
    r = run_program(base.path(), "", {"summary", "-C", "run"});
    EXPECT_EQ(r.err, "coswitch: run/pvalue.txt: no gene pairs (a run writes them at its end, and needs "
                     "at least 2 genes)\n") << "what the failed run left";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"summary", "-C", "missing"},
          {"fit", "--mode", "G", "--time-points", "4", "--replicates", "2", "--genes", "3", "-C", "missing"},
          in_dir("missing")}) {
        r = run_program(base.path(), "", args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "coswitch: missing: no such directory (option -C)\n");
    }
}

TEST(Messages, BadValuesAreShownCutAndEscaped) {
    EXPECT_EQ(shown_value("abc"), "\"abc\"");
    EXPECT_EQ(shown_value(std::string(40, 'x')), "\"" + std::string(40, 'x') + "\"");
    EXPECT_EQ(shown_value(std::string(41, 'x')), "\"" + std::string(40, 'x') + "\"...");
    EXPECT_EQ(shown_value(std::string("a\tb\r\n\0\x1b[2J\x7f", 11)), "\"a\\tb\\r\\n\\x00\\x1b[2J\\x7f\"");
    // Characters, not bytes, are counted; a sequence that is not UTF-8 is escaped bytewise.
    std::string accents;
    for (int k = 0; k < 45; ++k) accents += "\xc3\xa9";
    std::string forty;
    for (int k = 0; k < 40; ++k) forty += "\xc3\xa9";
    EXPECT_EQ(shown_value(accents), "\"" + forty + "\"...");
    EXPECT_EQ(shown_value("\xc3\x28\xe2\x82"), "\"\\xc3(\\xe2\\x82\"");
    EXPECT_EQ(shown_value("\xf4\x90\x80\x80\xc0\xaf"), "\"\\xf4\\x90\\x80\\x80\\xc0\\xaf\"") << "beyond U+10FFFF, overlong";

    // In the dialogue, an option and a file.
    ScratchDir d;
    const std::string huge(60000, '9');  // an answer line may not be much longer
    auto r = run_program(d.path(), "G\n" + huge + "z\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "coswitch: the answer \"" + std::string(40, '9') +
                         "\"... to \"Input time points:\" is not a whole number\n");
    r = run_program(d.path(), "G\n\x01\x02\n");
    EXPECT_EQ(r.err, "coswitch: the answer \"\\x01\\x02\" to \"Input time points:\" is not a whole number\n");
    const std::string long_word(100000, '9');  // an argument may not be much longer
    r = run_program(d.path(), "", {"--genes", long_word});
    EXPECT_EQ(r.err, "coswitch: option --genes: \"" + std::string(40, '9') +
                         "\"... is not a whole number (see 'coswitch --help')\n");
    r = run_program(d.path(), "", {"--" + long_word});
    EXPECT_EQ(r.err, "coswitch: unknown option \"--" + std::string(38, '9') + "\"... (see 'coswitch --help')\n");
    EXPECT_TRUE(fs::is_empty(d.path()));
}
