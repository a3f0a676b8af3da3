#pragma once
// The option names that a command's --help lists, for tests that keep the
// manual page and the shell completion in step with the program.
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace coswitch::testing {

// The classic run (empty) and every subcommand.
inline const std::vector<std::string> kCommands = {"", "scan", "simulate", "plot", "fit", "summary"};

// Every -x or --name word in text, but not values such as -log10 or a lone -.
inline std::set<std::string> option_words(const std::string& text) {
    static const std::regex word(R"((^|[\s,\[|])(--[a-z][a-z0-9-]*|-[A-Za-z])(?=$|[\s,=|\]]))");
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it)
        found.insert((*it)[2].str());
    return found;
}

// The options a --help text introduces: those on lines of two blanks and a
// dash, where each option's entry begins.
inline std::set<std::string> options_in_help(const std::string& help) {
    std::set<std::string> found;
    std::istringstream lines(help);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind("  -", 0) == 0)
            for (const auto& o : option_words(line)) found.insert(o);
    return found;
}

// The options of a command (empty: the classic run), from its --help.
inline std::set<std::string> command_options(const std::string& command) {
    ScratchDir d;
    std::vector<std::string> args;
    if (!command.empty()) args.push_back(command);
    args.push_back("--help");
    return options_in_help(run_program(d.path(), "", args).out);
}

}  // namespace coswitch::testing
