#pragma once
// Option words of the subcommands: "--name value", "--name=value", or a
// short name followed by its value. Errors point to the subcommand's help.
#include <string>
#include <vector>

namespace coswitch {

class SubcommandArgs {
public:
    SubcommandArgs(const std::vector<std::string>& args, std::string command);

    // Moves to the next option word; false when there is none left.
    bool next();
    const std::string& name() const { return name_; }
    // The option's value, from "=value" or from the next word.
    std::string value();
    int int_value();
    char mode_value();
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

}  // namespace coswitch
