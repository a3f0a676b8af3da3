#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/help_options.hpp"
#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
const fs::path kPage = fs::path(COSWITCH_SOURCE_DIR) / "docs" / "coswitch.1";

// A roff line as it reads: no font changes, no hyphenation marks, no quotes,
// no macro name.
std::string plain(std::string line) {
    static const std::regex escapes(R"(\\f[BIRP]|\\%|\\&|")");
    line = std::regex_replace(line, escapes, "");
    line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
    line = std::regex_replace(line, std::regex(R"(\\e)"), "\\");
    if (!line.empty() && line[0] == '.') {
        const auto blank = line.find(' ');
        line = blank == std::string::npos ? "" : line.substr(blank + 1);
    }
    return line;
}

struct Page {
    std::vector<std::string> sections;                 // .SH titles in order
    std::string th;                                    // the .TH line
    std::map<std::string, std::vector<std::string>> tags;  // "SH/SS" -> .TP tags
    std::map<std::string, std::string> text;           // "SH/SS" -> plain text
    std::vector<std::string> synopses;                 // .SY names
};

Page read_page() {
    Page p;
    std::istringstream in(read_file(kPage));
    std::string line, sh, ss;
    bool tag_next = false;
    while (std::getline(in, line)) {
        if (line.rfind(".\\\"", 0) == 0) continue;
        const std::string key = sh + "/" + ss;
        if (line.rfind(".TH ", 0) == 0) {
            p.th = line;
        } else if (line.rfind(".SH ", 0) == 0) {
            sh = plain(line);
            ss.clear();
            p.sections.push_back(sh);
        } else if (line.rfind(".SS ", 0) == 0) {
            ss = plain(line);
        } else if (line.rfind(".SY ", 0) == 0) {
            p.synopses.push_back(plain(line));
        } else if (line == ".TP") {
            tag_next = true;
            continue;
        } else if (tag_next) {
            p.tags[key].push_back(plain(line));
        }
        if (line.rfind(".S", 0) != 0) p.text[key] += plain(line) + "\n";
        tag_next = false;
    }
    return p;
}

// The file names in text after the line that begins with `from`, up to one
// that begins with `to` (or the end).
std::set<std::string> file_names(const std::string& text, const std::string& from,
                                 const std::string& to) {
    const auto start = text.find("\n" + from);
    const auto end = text.find("\n" + to, start == std::string::npos ? 0 : start);
    const std::string part = text.substr(start == std::string::npos ? text.size() : start,
                                         end == std::string::npos ? std::string::npos : end - start);
    static const std::regex name(R"([a-z][a-z0-9]*\.(txt|tsv|svg))");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(part.begin(), part.end(), name); it != std::sregex_iterator(); ++it)
        names.insert(it->str());
    return names;
}

std::string help_of(const std::string& command) {
    ScratchDir d;
    return run_program(d.path(), "", command.empty() ? std::vector<std::string>{"--help"}
                                                     : std::vector<std::string>{command, "--help"})
        .out;
}
}  // namespace

TEST(ManualPage, RendersWithoutWarnings) {
    if (!tool_available("groff")) GTEST_SKIP() << "groff not installed (Debian: groff-base)";
    ScratchDir d;
    const auto groff = run_tool(d.path(), {"groff", "-man", "-ww", "-z", "-Tutf8", kPage.string()});
    EXPECT_EQ(groff.status, 0);
    EXPECT_EQ(groff.err, "");
}

TEST(ManualPage, ReadsWithMan) {
    if (!tool_available("man")) GTEST_SKIP() << "man not installed (Debian: man-db)";
    ScratchDir d;
    const auto man = run_tool(d.path(), {"man", "-l", kPage.string()});
    EXPECT_EQ(man.status, 0) << man.err;
    EXPECT_NE(man.out.find("coswitch summary"), std::string::npos);
}

// The page says what the program does: a new option, subcommand, result
// file, exit status or version that the page lacks fails here.
TEST(ManualPage, KeepsInStepWithTheProgram) {
    Page page = read_page();
    ScratchDir d;
    const std::string version = run_program(d.path(), "", {"--version"}).out;
    ASSERT_FALSE(version.empty());
    EXPECT_NE(page.th.find("\"" + version.substr(0, version.size() - 1) + "\""), std::string::npos)
        << page.th;

    const std::vector<std::string> order = {"NAME",        "SYNOPSIS", "DESCRIPTION", "FILES",
                                            "EXIT STATUS", "EXAMPLES", "SEE ALSO"};
    auto at = page.sections.begin();
    for (const auto& s : order) {
        at = std::find(at, page.sections.end(), s);
        EXPECT_NE(at, page.sections.end()) << s << " missing or out of order";
    }

    for (const std::string& command : kCommands) {
        const std::string title = command.empty() ? "coswitch (the classic run)" : "coswitch " + command;
        std::set<std::string> listed;
        for (const auto& tag : page.tags["DESCRIPTION/" + title])
            for (const auto& o : option_words(tag)) listed.insert(o);
        EXPECT_EQ(listed, command_options(command)) << title;
        EXPECT_NE(std::find(page.synopses.begin(), page.synopses.end(), title.substr(0, title.find(" ("))),
                  page.synopses.end())
            << title;
    }

    std::set<std::string> files;
    for (const auto& [key, tags] : page.tags)
        if (key.rfind("FILES/", 0) == 0)
            for (const auto& t : tags) files.insert(t);
    const std::string in_files = [&] {
        std::string all;
        for (const auto& t : files) all += t + "\n";
        return all;
    }();
    const std::string classic = help_of("");
    for (const auto& [help, from, to] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {classic, "Input files", "Exit status"}, {help_of("scan"), "Output folder", "\n"}}) {
        const auto names = file_names(help, from, to);
        EXPECT_GE(names.size(), 3u) << from;
        for (const auto& n : names) EXPECT_NE(in_files.find(n), std::string::npos) << n;
    }

    std::set<std::string> statuses, documented;
    static const std::regex status_line(R"(\n  ([0-9])  )");
    for (auto it = std::sregex_iterator(classic.begin(), classic.end(), status_line);
         it != std::sregex_iterator(); ++it)
        statuses.insert((*it)[1].str());
    for (const auto& t : page.tags["EXIT STATUS/"]) documented.insert(t);
    EXPECT_EQ(documented, statuses);
    EXPECT_EQ(statuses.size(), 4u);
}
