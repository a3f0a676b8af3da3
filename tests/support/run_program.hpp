#pragma once
// Helpers for tests that run the built program in a scratch directory.
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace coswitch::testing {

struct ProgramRun {
    int status = -1;  // exit status, or -signal when killed
    std::string out;  // standard output
    std::string err;  // standard error
};

// A fresh empty directory, removed with its contents when this goes away.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Runs the program (COSWITCH_BINARY) with args in dir, feeding input on standard input.
ProgramRun run_program(const std::filesystem::path& dir, const std::string& input,
                       const std::vector<std::string>& args = {});

struct RunOptions {
    // Runs in the child after its standard descriptors are set up, just
    // before the program starts: limits, closed or redirected descriptors.
    std::function<void()> in_child;
    // The child is killed after this long (status -9); 0: no limit.
    double timeout_seconds = 0;
};
ProgramRun run_program(const std::filesystem::path& dir, const std::string& input,
                       const std::vector<std::string>& args, const RunOptions& options);

// Another program, found on PATH: command[0] with the rest as its arguments,
// run in dir (status 127 when it cannot be started).
ProgramRun run_tool(const std::filesystem::path& dir, const std::vector<std::string>& command,
                    const std::string& input = "");
// True when PATH holds an executable of this name: tests that need an
// optional tool skip without it.
bool tool_available(const std::string& name);

// For RunOptions::in_child: every file the program writes (its captured
// standard output and error too) limited to `bytes`, a full disk in small;
// with SIGXFSZ ignored, writes past it fail with EFBIG.
void limit_file_size(rlim_t bytes);

// In a forked child: replaces it with the program and args; never returns.
[[noreturn]] void exec_program(const std::vector<std::string>& args);

std::string read_file(const std::filesystem::path& p);
// How many times `what` starts in text, overlaps included.
std::size_t occurrences(const std::string& text, const std::string& what);
// Every name in dir, sorted, each followed by a blank: what a run left there.
std::string listing(const std::filesystem::path& dir);
void write_file(const std::filesystem::path& p, const std::string& text);

// Writes realdata.txt, para1.txt and para2.txt for a synthetic run with
// deterministic values (two states per gene, well separated).
void write_synthetic_inputs(const std::filesystem::path& dir, int ntime, int nrep, int ngene,
                            bool time_mode, unsigned seed = 1);

// The five dialogue answers as they would be typed.
std::string answers(char mode, int ntime, int nrep, int nboot, int ngene);

}  // namespace coswitch::testing
