#pragma once
// The set-up dialogue: five questions on standard input and output.
#include <cstdio>
#include <string>

#include "analysis/run_data.hpp"
#include "io/numbers.hpp"

namespace coswitch {

// Longest answer line read; a longer one ends the run.
inline constexpr std::size_t kLongestAnswerLine = 1 << 16;

// Source of answer lines; reads one line at a time from a stdio stream.
class AnswerReader {
public:
    explicit AnswerReader(std::FILE* in) : in_(in) {}
    // The next line that holds more than blanks; false at the end of input.
    // Throws RunError when the input cannot be read (a directory, say) or a
    // line is longer than kLongestAnswerLine.
    bool next_answer_line(std::string& line);

private:
    [[noreturn]] void failed() const;
    std::FILE* in_;
};

// One free-form value: leading blanks skipped, ends at a blank, a comma or
// the end of the line; a quoted value is what stands between the quotes.
struct AnswerValue {
    std::string text;
    bool quoted = false;
};
AnswerValue answer_value(const std::string& line);

// A count answer: a whole number, and not quoted.
bool parse_count(const AnswerValue& v, int& out);

// Asks the five questions on out and reads the answers; throws RunError
// when an answer is not a whole number or the input ends early (status 2),
// or when out cannot be written (status 1).
RunParameters run_dialogue(AnswerReader& in, std::FILE* out);

}  // namespace coswitch
