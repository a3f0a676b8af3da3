#include "cli/option_words.hpp"

#include <utility>

#include "io/errors.hpp"
#include "io/numbers.hpp"
#include "io/quoted.hpp"

namespace coswitch {

OptionWords::OptionWords(const std::vector<std::string>& args, std::string command)
    : args_(args), command_(std::move(command)) {}

bool OptionWords::next() {
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

void option_failure(const std::string& command, const std::string& message) {
    if (command.empty()) throw RunError(kExitInput, message + " (see 'coswitch --help')");
    throw RunError(kExitInput,
                   command + ": " + message + " (see 'coswitch " + command + " --help')");
}

void OptionWords::fail(const std::string& message) const { option_failure(command_, message); }

std::string OptionWords::value() {
    if (has_inline_) return inline_value_;
    if (k_ + 1 >= args_.size()) fail("option " + name_ + " needs a value");
    return args_[++k_];
}

std::string OptionWords::next_value() {
    if (k_ + 1 >= args_.size()) fail("option " + name_ + " needs one more value");
    return args_[++k_];
}

int OptionWords::int_value() {
    const std::string v = value();
    int n = 0;
    if (!parse_whole_number(v, n)) fail("option " + name_ + ": " + shown_value(v) + " is not a whole number");
    return n;
}

double OptionWords::fraction_value() {
    const std::string v = value();
    double q = 0;
    if (!parse_number(v, q) || q < 0 || q > 1)
        fail("option " + name_ + ": " + shown_value(v) + " is not a number from 0 to 1");
    return q;
}

char OptionWords::mode_value() {
    const std::string v = value();
    if (v == "G" || v == "g") return 'G';
    if (v == "T" || v == "t") return 'T';
    fail("option " + name_ + ": " + shown_value(v) + " is not G (gene index) or T (time index)");
}

std::string OptionWords::nonempty_value(const char* what) {
    std::string v = value();
    if (v.empty()) fail("option " + name_ + " needs " + what);
    return v;
}

std::string OptionWords::directory_value() { return nonempty_value("a directory"); }

void OptionWords::no_value() const {
    if (has_inline_) fail("option " + name_ + " takes no value");
}

void OptionWords::reject() const {
    const std::string& a = args_[k_];
    if (a.rfind("-", 0) == 0 && a.size() > 1) fail("unknown option " + shown_value(name_));
    fail("unexpected argument " + shown_value(a));
}

std::string missing_options(const std::vector<std::pair<bool, const char*>>& given) {
    std::string missing;
    for (const auto& [present, name] : given)
        if (!present) missing += (missing.empty() ? "" : ", ") + std::string(name);
    return missing;
}

}  // namespace coswitch
