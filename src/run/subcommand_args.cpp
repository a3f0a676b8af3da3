#include "run/subcommand_args.hpp"

#include <utility>

#include "run/errors.hpp"
#include "run/options.hpp"

namespace coswitch {

SubcommandArgs::SubcommandArgs(const std::vector<std::string>& args, std::string command)
    : args_(args), command_(std::move(command)) {}

bool SubcommandArgs::next() {
    if (started_) ++k_;
    started_ = true;
    if (k_ >= args_.size()) return false;
    const std::string& a = args_[k_];
    name_ = a;
    inline_value_.clear();
    has_inline_ = false;
    if (a.rfind("--", 0) == 0) {
        const auto eq = a.find('=');
        if (eq != std::string::npos) {
            name_ = a.substr(0, eq);
            inline_value_ = a.substr(eq + 1);
            has_inline_ = true;
        }
    }
    return true;
}

void SubcommandArgs::fail(const std::string& message) const {
    throw RunError(kExitInput, command_ + ": " + message + " (see 'coswitch " + command_ +
                                   " --help')");
}

std::string SubcommandArgs::value() {
    if (has_inline_) return inline_value_;
    if (k_ + 1 >= args_.size()) fail("option " + name_ + " needs a value");
    return args_[++k_];
}

int SubcommandArgs::int_value() {
    const std::string v = value();
    try {
        return option_int(name_, v);
    } catch (const RunError&) {
        fail("option " + name_ + ": \"" + v + "\" is not a whole number");
    }
}

char SubcommandArgs::mode_value() {
    const std::string v = value();
    try {
        return option_mode(name_, v);
    } catch (const RunError&) {
        fail("option " + name_ + ": \"" + v + "\" is not G (gene index) or T (time index)");
    }
}

void SubcommandArgs::no_value() const {
    if (has_inline_) fail("option " + name_ + " takes no value");
}

void SubcommandArgs::reject() const {
    const std::string& a = args_[k_];
    if (a.rfind("-", 0) == 0 && a.size() > 1) fail("unknown option " + name_);
    fail("unexpected argument \"" + a + "\"");
}

}  // namespace coswitch
