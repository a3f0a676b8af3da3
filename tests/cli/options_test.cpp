#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "run/classic_limits.hpp"
#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
const std::vector<std::string> kFive = {"--mode",  "G", "--time-points", "6", "--replicates",
                                        "2",       "--bootstrap", "3", "--genes", "4"};

void copy_inputs(const fs::path& from, const fs::path& to) {
    for (const char* f : {"realdata.txt", "para1.txt", "para2.txt"})
        write_file(to / f, read_file(from / f));
}

// Runs the program with standard error on a pseudo-terminal and standard
// output discarded; returns what the terminal showed.
std::string run_on_terminal(const fs::path& dir, const std::vector<std::string>& args,
                            int& status) {
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        FILE* devnull = std::fopen("/dev/null", "r+");
        ::dup2(fileno(devnull), 0);
        ::dup2(fileno(devnull), 1);
        exec_program(args);
    }
    std::string seen;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0) {
            seen.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EIO once the child has gone
    }
    ::close(master);
    int w = 0;
    ::waitpid(pid, &w, 0);
    status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    return seen;
}
}  // namespace

TEST(Options, HelpVersionAndBadOptions) {
    ScratchDir d;
    auto help = run_program(d.path(), "", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: coswitch"), std::string::npos);
    EXPECT_NE(help.out.find("--threads"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    auto version = run_program(d.path(), "", {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("coswitch ", 0), 0u);

    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--bogus"}, "--bogus"},
        {{"--threads", "0"}, "--threads"},
        {{"--threads"}, "--threads"},
        {{"--mode", "X"}, "--mode"},
        {{"--time-points", "six"}, "--time-points"},
        {{"--help=yes"}, "--help"},
        {{"stray"}, "stray"},
    };
    for (const auto& [args, named] : bad) {
        auto r = run_program(d.path(), "", args);
        EXPECT_EQ(r.status, 2) << named;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_TRUE(fs::is_empty(d.path()));
}

TEST(Options, VersionOnEverySubcommand) {
    ScratchDir d;
    const auto classic = run_program(d.path(), "", {"--version"});
    ASSERT_EQ(classic.status, 0);
    for (const std::string sub : {"scan", "simulate", "fit", "summary"}) {
        const auto r = run_program(d.path(), "", {sub, "--version"});
        EXPECT_EQ(r.status, 0) << sub << " " << r.err;
        EXPECT_EQ(r.out, classic.out) << sub;
        EXPECT_EQ(r.err, "") << sub;
        const auto help = run_program(d.path(), "", {sub, "--help"});
        EXPECT_NE(help.out.find("\n  --version "), std::string::npos) << sub;
        const auto bad = run_program(d.path(), "", {sub, "--version=yes"});
        EXPECT_EQ(bad.status, 2) << sub;
        EXPECT_NE(bad.err.find("'coswitch " + sub + " --help'"), std::string::npos) << bad.err;
        EXPECT_EQ(bad.out, "");
    }
    // With the words of a real run: the version answers before any required
    // option is checked, and no work begins.
    const std::vector<std::vector<std::string>> with_work = {
        {"scan", "table.tsv", "-o", "out", "--version"},
        {"scan", "--version", "--bootstrap", "3"},
        {"fit", "--mode", "G", "--version"},
        {"simulate", "-o", "sim.tsv", "--genes", "4", "--time-points", "3", "--version"},
    };
    for (const auto& words : with_work) {
        const auto r = run_program(d.path(), "", words);
        EXPECT_EQ(r.status, 0) << words[0] << " " << r.err;
        EXPECT_EQ(r.out, classic.out) << words[0];
    }
    EXPECT_TRUE(fs::is_empty(d.path())) << listing(d.path());
}

TEST(Options, FiveAnswersReplaceTheDialogue) {
    ScratchDir in;
    write_synthetic_inputs(in.path(), 6, 2, 4, false, 3);
    ScratchDir asked, given;
    copy_inputs(in.path(), asked.path());
    copy_inputs(in.path(), given.path());
    auto a = run_program(asked.path(), answers('G', 6, 2, 3, 4));
    auto g = run_program(given.path(), "", kFive);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(g.status, 0) << g.err;
    EXPECT_TRUE(g.out.empty()) << g.out;
    EXPECT_EQ(read_file(asked / "pvalue.txt"), read_file(given / "pvalue.txt"));
    EXPECT_EQ(read_file(asked / "output.txt"), read_file(given / "output.txt"));

    // Some but not all: the missing ones are named; out of bounds: the bound.
    ScratchDir d;
    copy_inputs(in.path(), d.path());
    auto some = run_program(d.path(), "", {"--mode", "T", "--genes", "4"});
    EXPECT_EQ(some.status, 2);
    EXPECT_NE(some.err.find("--time-points, --replicates, --bootstrap"), std::string::npos);
    for (const auto& [opt, value, bound] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"--time-points", "51", "50"}, {"--replicates", "51", "50"},
             {"--bootstrap", "101", "100"}, {"--genes", "61", "60"}}) {
        std::vector<std::string> args = kFive;
        for (std::size_t k = 0; k + 1 < args.size(); ++k)
            if (args[k] == opt) args[k + 1] = value;
        auto r = run_program(d.path(), "", args);
        EXPECT_EQ(r.status, 2) << opt;
        EXPECT_NE(r.err.find(opt), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("limit of " + bound), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(d / "pvalue.txt"));
    EXPECT_FALSE(fs::exists(d / "output.txt"));
}

TEST(Options, DirectoryOption) {
    ScratchDir base;
    fs::create_directory(base / "run");
    write_synthetic_inputs(base / "run", 6, 2, 4, false, 5);
    std::vector<std::string> rel = kFive;
    rel.insert(rel.end(), {"-C", "run"});
    auto r1 = run_program(base.path(), "", rel);
    ASSERT_EQ(r1.status, 0) << r1.err;
    EXPECT_TRUE(fs::exists(base / "run" / "pvalue.txt"));
    EXPECT_FALSE(fs::exists(base / "pvalue.txt"));

    ScratchDir other;
    fs::create_directory(other / "abs");
    copy_inputs(base / "run", other / "abs");
    std::vector<std::string> abs = kFive;
    abs.insert(abs.end(), {"--directory=" + (other / "abs").string()});
    auto r2 = run_program(base.path(), "", abs);
    ASSERT_EQ(r2.status, 0) << r2.err;
    EXPECT_EQ(read_file(other / "abs" / "output.txt"), read_file(base / "run" / "output.txt"));

    std::vector<std::string> missing = kFive;
    missing.insert(missing.end(), {"-C", "nowhere"});
    auto r3 = run_program(base.path(), "", missing);
    EXPECT_EQ(r3.status, 2);
    EXPECT_NE(r3.err.find("nowhere"), std::string::npos) << r3.err;
}

TEST(Options, ProgressOnlyOnTerminalOrWhenAsked) {
    ScratchDir in;
    write_synthetic_inputs(in.path(), 6, 2, 4, false, 9);
    ScratchDir quiet_dir, tty_dir, forced_dir, silenced_dir;
    for (const ScratchDir* d : {&quiet_dir, &tty_dir, &forced_dir, &silenced_dir})
        copy_inputs(in.path(), d->path());

    auto piped = run_program(quiet_dir.path(), "", kFive);
    ASSERT_EQ(piped.status, 0);
    EXPECT_TRUE(piped.err.empty()) << piped.err;

    int status = -1;
    const std::string shown = run_on_terminal(tty_dir.path(), kFive, status);
    ASSERT_EQ(status, 0) << shown;
    EXPECT_NE(shown.find("pairs 6/6"), std::string::npos) << shown;
    EXPECT_NE(shown.find('\r'), std::string::npos);

    std::vector<std::string> quiet = kFive;
    quiet.push_back("--quiet");
    EXPECT_EQ(run_on_terminal(silenced_dir.path(), quiet, status).find("pairs"),
              std::string::npos);

    std::vector<std::string> forced = kFive;
    forced.push_back("--progress");
    auto plain = run_program(forced_dir.path(), "", forced);
    ASSERT_EQ(plain.status, 0);
    EXPECT_NE(plain.err.find("pairs 6/6"), std::string::npos) << plain.err;
    EXPECT_EQ(plain.err.find('\r'), std::string::npos);
    EXPECT_TRUE(plain.out.empty());

    for (const ScratchDir* d : {&tty_dir, &forced_dir, &silenced_dir}) {
        EXPECT_EQ(read_file(quiet_dir / "pvalue.txt"), read_file(*d / "pvalue.txt"));
        EXPECT_EQ(read_file(quiet_dir / "output.txt"), read_file(*d / "output.txt"));
    }
}

namespace {
// A progress line with its times replaced by T.
std::string without_times(const std::string& line) {
    static const std::regex times("[0-9]+:[0-9][0-9](:[0-9][0-9])?|--:--");
    return std::regex_replace(line, times, "T");
}
}  // namespace

TEST(Options, ProgressLinesStepsAndErasing) {
    ScratchDir in;
    write_synthetic_inputs(in.path(), 6, 2, 4, false, 9);
    const std::vector<std::string> five = {"--mode", "G", "--time-points", "6", "--replicates", "2",
                                           "--bootstrap", "20", "--genes", "4", "--threads", "1"};
    // Plain lines: one whenever the replicates done reach another 5% of the 6 x 20, and
    // the last pair's line always, though it falls in the same step as the last replicate.
    ScratchDir plain_dir;
    copy_inputs(in.path(), plain_dir.path());
    std::vector<std::string> args = five;
    args.push_back("--progress");
    const auto plain = run_program(plain_dir.path(), "", args);
    ASSERT_EQ(plain.status, 0) << plain.err;
    std::string expected;
    int last_step = -1;
    for (int r = 1; r <= 120; ++r) {
        const int step = 100 * r / 120 / 5;
        if (step == last_step) continue;
        last_step = step;
        expected += "coswitch: pairs " + std::to_string((r - 1) / 20) + "/6, bootstrap replicates " +
                    std::to_string(r) + "/120, elapsed T, left T\n";
    }
    expected += "coswitch: pairs 6/6, bootstrap replicates 120/120, elapsed T, left T\n";
    EXPECT_EQ(without_times(plain.err), expected);

    // On a terminal: one line rewritten in place, erased at the end with as many blanks.
    ScratchDir tty_dir;
    copy_inputs(in.path(), tty_dir.path());
    int status = -1;
    const std::string shown = run_on_terminal(tty_dir.path(), five, status);
    ASSERT_EQ(status, 0) << shown;
    const std::size_t last = shown.rfind("\rcoswitch: pairs 6/6, bootstrap replicates 120/120, elapsed ");
    ASSERT_NE(last, std::string::npos) << shown;
    const std::size_t erase = shown.find('\r', last + 1);
    ASSERT_NE(erase, std::string::npos) << shown;
    const std::string final_line = shown.substr(last + 1, erase - last - 1);
    EXPECT_EQ(without_times(final_line), "coswitch: pairs 6/6, bootstrap replicates 120/120, elapsed T, left T");
    EXPECT_EQ(shown.substr(erase), "\r" + std::string(final_line.size(), ' ') + "\r");
}

TEST(Options, AnswersExactlyAtTheirLimitsAreAccepted) {
    // 50 time points, 50 replicates and 100 bootstrap replicates; then 60 genes.
    ScratchDir big_data, many_genes;
    write_synthetic_inputs(big_data.path(), 50, 50, 2, true);
    auto r = run_program(big_data.path(), "", {"--mode", "T", "--time-points", "50", "--replicates", "50",
                                               "--bootstrap", "100", "--genes", "2"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string out = read_file(big_data / "output.txt");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 101);
    write_synthetic_inputs(many_genes.path(), 2, 1, 60, false);
    r = run_program(many_genes.path(), "", {"--mode", "G", "--time-points", "2", "--replicates", "1",
                                            "--bootstrap", "0", "--genes", "60"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string p = read_file(many_genes / "pvalue.txt");
    EXPECT_EQ(std::count(p.begin(), p.end(), '\n'), 1 + 1770);
    EXPECT_NE(p.find("        59        60"), std::string::npos);
}

// The help texts state the limits the runs enforce.
TEST(Options, HelpTextsStateTheClassicLimits) {
    using coswitch::kMaxBootstrap, coswitch::kMaxGenes, coswitch::kMaxReplicates, coswitch::kMaxTimePoints;
    ScratchDir d;
    const std::string classic = run_program(d.path(), "", {"--help"}).out;
    const std::string fit = run_program(d.path(), "", {"fit", "--help"}).out;
    for (const auto& [text, limit] : std::vector<std::pair<std::string, int>>{
             {"number of time points (at most ", kMaxTimePoints},
             {"replicates per time point (at most ", kMaxReplicates},
             {"bootstrap replicates per gene pair (at most ", kMaxBootstrap},
             {"number of genes (at most ", kMaxGenes}})
        EXPECT_NE(classic.find(text + std::to_string(limit) + ")\n"), std::string::npos) << text;
    for (const auto& [text, limit] : std::vector<std::pair<std::string, int>>{
             {"number of time points (1 to ", kMaxTimePoints},
             {"replicates per time point (1 to ", kMaxReplicates},
             {"number of genes (1 to ", kMaxGenes}})
        EXPECT_NE(fit.find(text + std::to_string(limit) + ")\n"), std::string::npos) << text;
}
