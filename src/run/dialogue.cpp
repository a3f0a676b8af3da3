#include "run/dialogue.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "io/errors.hpp"
#include "io/quoted.hpp"
#include "run/classic_limits.hpp"

namespace coswitch {
namespace {
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void say(std::FILE* out, const char* text) { std::fprintf(out, " %s\n", text); }

// Shows what was said so far, ending the run when it cannot be shown (a full
// disk or a closed pipe): nobody would see the questions being asked.
void show(std::FILE* out) {
    if (std::fflush(out) != 0 || std::ferror(out))
        throw RunError(kExitFiles, std::string("cannot write to standard output: ") +
                                       std::strerror(errno));
}

[[noreturn]] void input_ended(const char* question) {
    throw RunError(kExitInput, std::string("standard input ended before the answer to \"") +
                                   question + "\"");
}

struct CountQuestion {
    const char* prompt;
    int bound;
    const char* message;
};
constexpr CountQuestion kCountQuestions[4] = {
    {"Input time points:", kMaxTimePoints, "Input error: time points are suggested less than 50!"},
    {"Input the number of replicates:", kMaxReplicates,
     "Input error: The number of replicates are suggested than 50!"},
    {"Input the number of boot strap:", kMaxBootstrap,
     "Input error: The number of boot strap are suggested than 100!"},
    // The message names 100, though the bound is 60.
    {"Input the number of genes:", kMaxGenes, "Input error: the number of genes are suggested than 100!"},
};
}  // namespace

bool AnswerReader::next_answer_line(std::string& line) {
    for (;;) {
        line.clear();
        int c;
        bool any = false;
        while ((c = std::fgetc(in_)) != EOF) {
            any = true;
            if (c == '\n') break;
            // Input without line ends (a device, a binary file) is not answers.
            if (line.size() >= kLongestAnswerLine)
                throw RunError(kExitInput, "standard input: a line of more than " +
                                               std::to_string(kLongestAnswerLine) +
                                               " characters is not an answer");
            line.push_back(static_cast<char>(c));
        }
        if (std::ferror(in_)) failed();
        if (!any) return false;
        for (char ch : line)
            if (!is_blank(ch)) return true;
    }
}

void AnswerReader::failed() const {
    const int e = errno;
    struct stat st {};
    const int fd = ::fileno(in_);
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        throw RunError(kExitInput, "standard input is a directory, not the answers");
    throw RunError(kExitInput, std::string("cannot read standard input: ") + std::strerror(e));
}

AnswerValue answer_value(const std::string& line) {
    AnswerValue v;
    std::size_t i = 0;
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i < line.size() && (line[i] == '\'' || line[i] == '"')) {
        const char q = line[i++];
        v.quoted = true;
        while (i < line.size() && line[i] != q) v.text.push_back(line[i++]);
        return v;
    }
    while (i < line.size() && !is_blank(line[i]) && line[i] != ',') v.text.push_back(line[i++]);
    return v;
}


bool parse_count(const AnswerValue& v, int& out) {
    return !v.quoted && parse_whole_number(v.text, out);
}

RunParameters run_dialogue(AnswerReader& in, std::FILE* out) {
    RunParameters p;
    std::string line;
    for (;;) {
        say(out, "Probability density is gene index or time index?");
        say(out, "(G: gene index; T: time index)");
        show(out);
        if (!in.next_answer_line(line)) input_ended("Probability density is gene index or time index?");
        const AnswerValue v = answer_value(line);
        const char c = v.text.empty() ? '\0' : v.text[0];
        if (c == 'G' || c == 'g') {
            p.FLAG = 'G';
            break;
        }
        if (c == 'T' || c == 't') {
            p.FLAG = 'T';
            break;
        }
        say(out, "Input error: answer G (gene index) or T (time index)!");
    }
    int* targets[4] = {&p.NTIME, &p.NREP, &p.NBOOT, &p.NGENE};
    for (int q = 0; q < 4; ++q) {
        const CountQuestion& cq = kCountQuestions[q];
        for (;;) {
            say(out, cq.prompt);
            show(out);
            if (!in.next_answer_line(line)) input_ended(cq.prompt);
            const AnswerValue v = answer_value(line);
            int value = 0;
            if (!parse_count(v, value))
                throw RunError(kExitInput, "the answer " + shown_value(v.text) + " to \"" +
                                               cq.prompt + "\" is not a whole number");
            if (value > cq.bound) {
                say(out, cq.message);
                continue;
            }
            *targets[q] = value;
            break;
        }
    }
    return p;
}

}  // namespace coswitch
