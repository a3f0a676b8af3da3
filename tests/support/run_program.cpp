#include "support/run_program.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace coswitch::testing {
namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::string tmpl = (fs::temp_directory_path() / "coswitch-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string s;
    for (const auto& n : names) s += n + " ";
    return s;
}

void write_file(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
}

void exec_program(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string bin = COSWITCH_BINARY;
    argv.push_back(bin.data());
    std::vector<std::string> copies(args);
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(bin.c_str(), argv.data());
    ::_exit(127);
}

ProgramRun run_program(const fs::path& dir, const std::string& input,
                       const std::vector<std::string>& args) {
    return run_program(dir, input, args, RunOptions{});
}

void limit_file_size(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit lowered{bytes, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
}

namespace {
// Runs exec_child (which must not return) in a child in dir, with input on
// its standard input, and collects what it printed.
template <class Exec>
ProgramRun run_child(const fs::path& dir, const std::string& input, const RunOptions& options,
                     Exec exec_child) {
    ScratchDir io;
    const fs::path in_path = io / "stdin";
    const fs::path out_path = io / "stdout";
    const fs::path err_path = io / "stderr";
    write_file(in_path, input);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int in = ::open(in_path.c_str(), O_RDONLY);
        const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        for (int fd : {in, out, err}) ::close(fd);
        if (options.in_child) options.in_child();
        exec_child();
    }
    int wstatus = 0;
    if (options.timeout_seconds > 0) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration<double>(options.timeout_seconds);
        while (::waitpid(pid, &wstatus, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &wstatus, 0);
                break;
            }
            ::usleep(2000);
        }
    } else {
        ::waitpid(pid, &wstatus, 0);
    }
    ProgramRun r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
}
}  // namespace

ProgramRun run_program(const fs::path& dir, const std::string& input,
                       const std::vector<std::string>& args, const RunOptions& options) {
    return run_child(dir, input, options, [&] { exec_program(args); });
}

bool tool_available(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string d;
    while (std::getline(dirs, d, ':'))
        if (!d.empty() && ::access((fs::path(d) / name).c_str(), X_OK) == 0) return true;
    return false;
}

ProgramRun run_tool(const fs::path& dir, const std::vector<std::string>& command,
                    const std::string& input) {
    return run_child(dir, input, RunOptions{}, [&] {
        std::vector<std::string> copies(command);
        std::vector<char*> argv;
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    });
}

void write_synthetic_inputs(const fs::path& dir, int ntime, int nrep, int ngene, bool time_mode,
                            unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const int cols = time_mode ? std::max(ngene, ntime) : ngene;
    std::vector<double> mean0(cols), mean1(cols), sd0(cols), sd1(cols);
    for (int c = 0; c < cols; ++c) {
        mean0[c] = 2.0 + 0.1 * c;
        mean1[c] = 5.0 + 0.1 * c;
        sd0[c] = 0.6 + 0.01 * c;
        sd1[c] = 0.7 + 0.01 * c;
    }
    std::ostringstream data;
    data.precision(6);
    for (int t = 0; t < ntime; ++t)
        for (int r = 0; r < nrep; ++r) {
            for (int g = 0; g < ngene; ++g) {
                const int c = time_mode ? t : g;
                // Genes switch with the time course, shifted by gene.
                const bool high = ((t + g / 2) / 2) % 2 == 1;
                const double v = high ? mean1[c] + sd1[c] * noise(rng) : mean0[c] + sd0[c] * noise(rng);
                data << (g ? " " : "") << std::fixed << v;
            }
            data << "\n";
        }
    write_file(dir / "realdata.txt", data.str());
    auto para = [&](const std::vector<double>& m, const std::vector<double>& s) {
        std::ostringstream o;
        o.precision(4);
        for (int c = 0; c < cols; ++c) o << (c ? " " : "") << std::fixed << m[c];
        o << "\n";
        for (int c = 0; c < cols; ++c) o << (c ? " " : "") << std::fixed << s[c];
        o << "\n";
        return o.str();
    };
    write_file(dir / "para1.txt", para(mean0, sd0));
    write_file(dir / "para2.txt", para(mean1, sd1));
}

std::string answers(char mode, int ntime, int nrep, int nboot, int ngene) {
    std::ostringstream s;
    s << mode << "\n" << ntime << "\n" << nrep << "\n" << nboot << "\n" << ngene << "\n";
    return s.str();
}

}  // namespace coswitch::testing
