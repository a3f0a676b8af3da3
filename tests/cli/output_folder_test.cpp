// The folders scan creates: -o and --write-classic, named as people type
// them, placed together when the run succeeds and not at all otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> scan_args(const std::vector<std::string>& more) {
    std::vector<std::string> args = {"scan", "table.tsv", "--replicates", "2", "--bootstrap", "3",
                                     "--threads", "1", "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

}  // namespace

// Shells complete folder names with a slash; a doubled one is as good.
TEST(OutputFolder, NamesEndingInSlashesAreTheFolders) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(5, 6, 2));
    auto r = run_program(d.path(), "", scan_args({"-o", "results/", "--write-classic", "classic//"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" results in results/\n"), std::string::npos) << r.out;
    r = run_program(d.path(), "", scan_args({"-o", "again//"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(listing(d.path()), "again classic results table.tsv ");
    EXPECT_TRUE(fs::exists(d / "results" / "pairs.tsv"));
    EXPECT_TRUE(fs::exists(d / "classic" / "answers.txt"));
    EXPECT_EQ(folder_files(d / "again"), folder_files(d / "results"));

    // Taken, with or without the slash.
    r = run_program(d.path(), "", scan_args({"-o", "results/"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("results/: exists already"), std::string::npos) << r.err;
    write_file(d / "file", "x\n");
    r = run_program(d.path(), "", scan_args({"-o", "file/"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("file/: exists already"), std::string::npos) << r.err;
    EXPECT_EQ(listing(d.path()), "again classic file results table.tsv ");
    // The classic inputs' folder alike, refused before any work.
    r = run_program(d.path(), "", scan_args({"-o", "new", "--write-classic", "classic/"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "coswitch: classic/: exists already; the folder of the classic inputs must "
                     "be new (move or remove it, or choose another name with --write-classic)\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(listing(d.path()), "again classic file results table.tsv ");
}

// The classic inputs appear with the results or not at all, so that a rerun
// after a failure finds neither in its way; and never in the results' place.
TEST(OutputFolder, TheClassicInputsAppearOnlyWithTheResults) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(12, 6, 2));
    for (const auto& [out, classic] : std::vector<std::pair<std::string, std::string>>{
             {"x", "x"}, {"x/", "x"}, {"./x", "x//"}, {(d / "x").string(), "x"}}) {
        const auto r = run_program(d.path(), "", scan_args({"-o", out, "--write-classic", classic}));
        EXPECT_EQ(r.status, 2) << out << " " << classic;
        EXPECT_EQ(r.err, "coswitch: scan: --write-classic " + classic + " and -o " + out +
                             " name one folder; give the classic inputs a folder of their own "
                             "(see 'coswitch scan --help')\n");
        EXPECT_EQ(r.out, "") << "before any work";
        EXPECT_EQ(listing(d.path()), "table.tsv ");
    }

    // The results cannot be written (a file size limit): no classic inputs either.
    RunOptions full;
    full.in_child = [] { limit_file_size(16384); };
    auto r = run_program(d.path(), "", scan_args({"-o", "out", "--write-classic", "cl"}), full);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("coswitch: out/"), std::string::npos) << r.err;
    EXPECT_EQ(listing(d.path()), "table.tsv ");
    r = run_program(d.path(), "", scan_args({"-o", "out", "--write-classic", "cl"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(listing(d.path()), "cl out table.tsv ");
    EXPECT_EQ(listing(d / "cl"), "answers.txt para1.txt para2.txt realdata.txt ");
}

// A name the file system takes is taken for -o and --write-classic, up to
// the longest.
TEST(OutputFolder, TheLongestNamesAreTaken) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(5, 6, 2));
    const long longest = ::pathconf(d.path().c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 40);
    const std::string out(static_cast<std::size_t>(longest), 'o');
    const std::string classic(static_cast<std::size_t>(longest) - 1, 'c');
    const auto r = run_program(d.path(), "", scan_args({"-o", out, "--write-classic", classic}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(d / out / "pairs.tsv"));
    EXPECT_TRUE(fs::exists(d / classic / "realdata.txt"));
    EXPECT_EQ(listing(d.path()), classic + " " + out + " table.tsv ");
    // One byte more is the file system's refusal, named, and nothing is left.
    const auto over = run_program(d.path(), "", scan_args({"-o", out + "o"}));
    EXPECT_EQ(over.status, 1);
    EXPECT_NE(over.err.find("File name too long"), std::string::npos) << over.err;
    EXPECT_EQ(listing(d.path()), classic + " " + out + " table.tsv ");
}
