#pragma once
// Option words of the program and its subcommands: "--name value",
// "--name=value", or a short name followed by its value. Every error names
// the option and points to the matching help.
#include <string>
#include <vector>

namespace coswitch {

class OptionWords {
public:
    // command: the subcommand ("fit", "summary"), or empty for the analysis.
    OptionWords(const std::vector<std::string>& args, std::string command);

    // Moves to the next option word; false when there is none left.
    bool next();
    const std::string& name() const { return name_; }
    // The option's value, from "=value" or from the next word.
    std::string value();
    // A second value of the option: the next word, whatever came before.
    std::string next_value();
    int int_value();
    double fraction_value();  // a number from 0 to 1, a level such as --fdr
    char mode_value();  // G or T, either case
    std::string directory_value();  // a value that may not be empty
    // A value that may not be empty; what: what it names, for the message
    // ("a file name").
    std::string nonempty_value(const char* what);
    void no_value() const;
    // The current word is not an option of this command.
    [[noreturn]] void reject() const;
    [[noreturn]] void fail(const std::string& message) const;

private:
    const std::vector<std::string>& args_;
    std::string command_;
    std::size_t k_ = 0;
    bool started_ = false;
    std::string name_;
    std::string inline_value_;
    bool has_inline_ = false;
};

// Throws the option error of command (empty: the analysis) with its help hint.
[[noreturn]] void option_failure(const std::string& command, const std::string& message);

// The options of a command that are required and were not given, as
// "--a, --b"; empty when none is missing.
std::string missing_options(const std::vector<std::pair<bool, const char*>>& given);

}  // namespace coswitch
