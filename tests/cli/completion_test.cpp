#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/help_options.hpp"
#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
const fs::path kScript = fs::path(COSWITCH_SOURCE_DIR) / "scripts" / "coswitch.bash-completion";

// What bash offers for the command line `words`, the cursor at the end of
// the last word, run in dir; as readline calls the function.
std::set<std::string> complete(const fs::path& dir, const std::vector<std::string>& words) {
    std::vector<std::string> command = {
        "bash", "--norc", "--noprofile", "-c",
        R"(f=$1; shift; source "$f" || exit 9
complete -p coswitch >/dev/null || exit 8
COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
_coswitch || exit 7
for w in "${COMPREPLY[@]}"; do printf '%s\n' "$w"; done)",
        "bash", kScript.string()};
    command.insert(command.end(), words.begin(), words.end());
    const auto r = run_tool(dir, command);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::set<std::string> offered;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) offered.insert(line);
    return offered;
}

std::vector<std::string> line_of(const std::string& command, std::vector<std::string> rest) {
    std::vector<std::string> words = {"coswitch"};
    if (!command.empty()) words.push_back(command);
    words.insert(words.end(), rest.begin(), rest.end());
    return words;
}

using Set = std::set<std::string>;
}  // namespace

// Each command's options and every fixed set of values are those its --help
// lists: an option added to the program and not to the completion fails here.
TEST(Completion, OffersWhatEachHelpLists) {
    if (!tool_available("bash")) GTEST_SKIP() << "bash not installed";
    ScratchDir d;
    static const std::regex choice(R"(\n  (?=-).*?(--[a-z-]+) ([A-Za-z0-9]+(\|[A-Za-z0-9]+)+)(?=\s))");
    int choices = 0;
    for (const std::string& command : kCommands) {
        EXPECT_EQ(complete(d.path(), line_of(command, {"-"})), command_options(command)) << command;
        ScratchDir h;
        const std::string help =
            run_program(h.path(), "", command.empty() ? std::vector<std::string>{"--help"}
                                                      : std::vector<std::string>{command, "--help"})
                .out;
        for (auto it = std::sregex_iterator(help.begin(), help.end(), choice); it != std::sregex_iterator();
             ++it, ++choices) {
            Set values;
            std::istringstream list((*it)[2].str());
            for (std::string v; std::getline(list, v, '|');) values.insert(v);
            EXPECT_EQ(complete(d.path(), line_of(command, {(*it)[1].str(), ""})), values)
                << command << " " << (*it)[1];
        }
    }
    // --mode and --null of the classic run, scan's six, fit's --mode,
    // simulate's --phase, summary's --rank.
    EXPECT_EQ(choices, 11);
}

TEST(Completion, SubcommandsValuesAndFiles) {
    if (!tool_available("bash")) GTEST_SKIP() << "bash not installed";
    ScratchDir d;
    write_file(d / "table.tsv", "");
    write_file(d / "other.txt", "");
    fs::create_directory(d / "tables");
    const std::vector<std::pair<std::vector<std::string>, Set>> cases = {
        {{"coswitch", ""}, {"scan", "simulate", "plot", "fit", "summary"}},
        {{"coswitch", "s"}, {"scan", "simulate", "summary"}},
        {{"coswitch", "scan", "--tr"}, {"--transform"}},
        {{"coswitch", "scan", "--transform", "log2"}, {"log2p1", "log2"}},
        // --name=value, as readline splits it, and as one word.
        {{"coswitch", "scan", "--transform", "=", "lo"}, {"log2p1", "log2"}},
        {{"coswitch", "scan", "--normalise", "="}, {"none", "cpm"}},
        {{"coswitch", "scan", "--missing=f"}, {"--missing=fail"}},
        {{"coswitch", "simulate", "--phase", "a"}, {"anti"}},
        // The same option names a file in scan, a count elsewhere.
        {{"coswitch", "scan", "--genes", "t"}, {"table.tsv", "tables"}},
        {{"coswitch", "fit", "--genes", ""}, {}},
        {{"coswitch", "simulate", "--seed", ""}, {}},
        {{"coswitch", "scan", "--design=t"}, {"--design=table.tsv", "--design=tables"}},
        // A folder to create or work in: directories only.
        {{"coswitch", "scan", "-o", "t"}, {"tables"}},
        {{"coswitch", "-C", ""}, {"tables"}},
        {{"coswitch", "scan", ""}, {"table.tsv", "tables", "other.txt"}},
        {{"coswitch", "scan", "table.tsv", "--gzip", "o"}, {"other.txt"}},
        {{"coswitch", "summary", "--svg", "o"}, {"other.txt"}},
        {{"coswitch", "scan", "--gzip=x"}, {}},
    };
    for (const auto& [words, expected] : cases) {
        std::string line;
        for (const auto& w : words) line += w + " ";
        EXPECT_EQ(complete(d.path(), words), expected) << line;
    }
}
