#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/interrupts.hpp"
#include "io/new_file.hpp"
#include "io/unfinished_folder.hpp"
#include "support/run_program.hpp"
#include "support/tables.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
// Whether dir holds an entry whose name begins with prefix.
bool has_entry(const fs::path& dir, const std::string& prefix) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind(prefix, 0) == 0) return true;
    return false;
}

// In a forked child, in dir, with no standard descriptors but /dev/null:
// setup(), then run() (which must not return).
pid_t start_child(const fs::path& dir, const std::function<void()>& setup,
                  const std::function<void()>& run) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        // Signals that dump core would leave a core file beside the folder.
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        if (setup) setup();
        run();
        ::_exit(127);
    }
    return pid;
}

std::string signal_text(int status) {
    if (WIFSIGNALED(status)) return std::string("killed by ") + strsignal(WTERMSIG(status));
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    return "status " + std::to_string(status);
}

// The child's status once it ends, or SIGKILL's after `seconds`.
int wait_up_to(pid_t pid, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return status;
}

// Until dir holds an entry beginning with prefix, or the child has ended.
bool wait_for_entry(const fs::path& dir, const std::string& prefix, pid_t pid) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!has_entry(dir, prefix) && std::chrono::steady_clock::now() < until) {
        siginfo_t ended{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            ended.si_pid == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return has_entry(dir, prefix);
}

// About a second of pairs, within the classic limits.
const std::vector<std::string> kLongScan = {"scan", "table.tsv", "-o", "out", "--write-classic", "cl",
                                            "--replicates", "3", "--bootstrap", "100",
                                            "--threads", "1", "--quiet"};

// A scan sent sig once its folders are being written: it leaves neither and
// ends by the signal.
// threads: how many the process must have by then (0: any number).
void expect_no_folder_after(int sig, const std::function<void()>& setup = {}, int threads = 0) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(60, 10, 3));
    const pid_t pid = start_child(d.path(), setup, [] { exec_program(kLongScan); });
    const bool writing = wait_for_entry(d.path(), ".out", pid);
    if (writing && threads > 0) {
        const std::string status = read_file("/proc/" + std::to_string(pid) + "/status");
        EXPECT_NE(status.find("\nThreads:\t" + std::to_string(threads) + "\n"), std::string::npos)
            << status;
    }
    ::kill(pid, writing ? sig : SIGKILL);
    const int status = wait_up_to(pid, 60);
    ASSERT_TRUE(writing) << "no folder appeared for " << strsignal(sig);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig)
        << strsignal(sig) << ": " << signal_text(status);
    EXPECT_EQ(listing(d.path()), "table.tsv ") << strsignal(sig);
}
}  // namespace

TEST(Interrupts, AnInterruptedScanLeavesNoFolderAndEndsByTheSignal) {
    for (const int sig : {SIGINT, SIGTERM}) {
        ScratchDir d;
        write_file(d / "table.tsv", switching_table(40, 10, 3));
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null < 0 || ::chdir(d.path().c_str()) != 0) ::_exit(127);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            exec_program({"scan", "table.tsv", "-o", "out", "--replicates", "3", "--bootstrap",
                          "5000", "--threads", "1", "--quiet"});
        }
        // Once the folder is being written (under its temporary name), the signal comes.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!has_entry(d.path(), ".out") && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const bool writing = has_entry(d.path(), ".out");
        ::kill(pid, writing ? sig : SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(writing) << "no folder appeared";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(listing(d.path()), "table.tsv ") << sig;
    }
}

// Interrupted at any moment, from its start to its last file and after, a
// run leaves either nothing or its complete folder: never half a folder, an
// empty one, or a hidden temporary.
TEST(Interrupts, AnInterruptAtAnyMomentLeavesAllOrNothing) {
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    ScratchDir d;
    const std::string table = switching_table(8, 6, 2);
    const std::vector<std::string> args = {"scan", "table.tsv", "-o", "out", "--replicates", "2",
                                           "--bootstrap", "20", "--threads", "2", "--quiet"};
    // Starts a run in a new folder; how long until its temporary folder
    // appears, or its child ends.
    const auto start = [&](const fs::path& dir, pid_t& pid, int& status) {
        fs::create_directory(dir);
        write_file(dir / "table.tsv", table);
        const auto began = Clock::now();
        pid = start_child(dir, {}, [&] { exec_program(args); });
        status = -1;
        while (!has_entry(dir, ".out") && !fs::exists(dir / "out") && Clock::now() - began < std::chrono::seconds(60)) {
            if (::waitpid(pid, &status, WNOHANG) == pid) break;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        return Seconds(Clock::now() - began).count();
    };
    // A run left alone: how long it takes, and how long it writes its folder.
    pid_t pid = 0;
    int status = -1;
    const double to_folder = start(d / "whole", pid, status);
    const auto writing = Clock::now();
    while (!fs::exists(d / "whole" / "out") && status == -1)
        if (::waitpid(pid, &status, WNOHANG) != pid) std::this_thread::sleep_for(std::chrono::microseconds(50));
    const double in_folder = Seconds(Clock::now() - writing).count();
    if (status == -1) ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal_text(status);
    const auto want = folder_files(d / "whole" / "out");

    std::uint64_t state = 11;  // splitmix64, to a fraction in [0, 1)
    const auto fraction = [&state] {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1p-53;
    };
    int complete = 0, none = 0;
    for (int round = 0; round < 200; ++round) {
        const fs::path dir = d / std::to_string(round);
        // One run in four is interrupted at any moment from its start; the
        // others once the folder is being written, up to a while after the
        // run would have placed it.
        double delay = 0;
        if (round % 4 == 0) {
            delay = 1.2 * fraction() * (to_folder + in_folder);
            fs::create_directory(dir);
            write_file(dir / "table.tsv", table);
            pid = start_child(dir, {}, [&] { exec_program(args); });
            status = -1;
        } else {
            delay = 1.3 * fraction() * in_folder;
            start(dir, pid, status);
        }
        if (status == -1) {
            std::this_thread::sleep_for(Seconds(delay));
            ::kill(pid, SIGTERM);
            ::waitpid(pid, &status, 0);
        }
        EXPECT_TRUE((WIFEXITED(status) && WEXITSTATUS(status) == 0) ||
                    (WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM))
            << round << ": " << signal_text(status);
        const std::string left = listing(dir);
        if (left == "table.tsv ") {
            ++none;
        } else {
            ASSERT_EQ(left, "out table.tsv ") << round << " after " << delay << " s";
            ASSERT_TRUE(folder_files(dir / "out") == want) << round << " after " << delay << " s";
            EXPECT_TRUE(fs::exists(dir / "out" / "run.tsv")) << round;
            ++complete;
        }
        fs::remove_all(dir);
    }
    // The moments did reach both sides of the end.
    EXPECT_GT(complete, 0);
    EXPECT_GT(none, 0);
}

// Batch systems warn with SIGUSR1 or SIGUSR2, timers end a run with SIGALRM,
// SIGVTALRM or SIGPROF, a CPU limit with SIGXCPU: each leaves nothing, as
// SIGINT does. A signal the run was started ignoring (nohup) changes nothing.
TEST(Interrupts, EveryEndingSignalLeavesNoFolderAndAnIgnoredOneNothingToDo) {
    for (const int sig : {SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
                          SIGPOLL, SIGPWR})
        expect_no_folder_after(sig);

    ScratchDir d;
    write_file(d / "table.tsv", switching_table(6, 6, 2));
    const pid_t pid = start_child(
        d.path(), [] { ::signal(SIGHUP, SIG_IGN); },
        [] { exec_program({"scan", "table.tsv", "-o", "out", "--replicates", "2", "--bootstrap",
                           "200", "--quiet"}); });
    wait_for_entry(d.path(), ".out", pid);
    ::kill(pid, SIGHUP);
    const int status = wait_up_to(pid, 120);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal_text(status);
    EXPECT_TRUE(fs::exists(d / "out" / "run.tsv"));
}

// SIGXFSZ (a file past `ulimit -f`) and SIGPIPE (a closed pipe) would end
// the run at once; ignored, they make a write fail, which the run reports
// naming the file, or, on the progress lines, shrugs off.
TEST(Interrupts, WritesPastTheSizeLimitOrIntoAClosedPipeAreNoSignals) {
    ScratchDir d;
    write_file(d / "table.tsv", switching_table(12, 6, 2));
    RunOptions limited;
    limited.in_child = [] {
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit cap{8192, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &cap);
    };
    const auto r = run_program(d.path(), "",
                               {"scan", "table.tsv", "-o", "out", "--write-classic", "cl",
                                "--replicates", "2", "--bootstrap", "20", "--quiet"},
                               limited);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("coswitch: out/"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(": write failed: File too large\n"), std::string::npos) << r.err;
    EXPECT_EQ(listing(d.path()), "table.tsv ");

    // Progress lines into a pipe nobody reads any more.
    const pid_t pid = start_child(
        d.path(),
        [] {
            int ends[2];
            if (::pipe(ends) != 0) ::_exit(126);
            ::dup2(ends[1], 2);
            ::close(ends[0]);
            ::close(ends[1]);
        },
        [] { exec_program({"scan", "table.tsv", "-o", "out", "--replicates", "2", "--bootstrap",
                           "3000", "--threads", "1", "--progress"}); });
    const int status = wait_up_to(pid, 120);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal_text(status);
    EXPECT_EQ(listing(d.path()), "out table.tsv ");
}

// Where the watching thread cannot start (a thread or address-space limit),
// a handler removes the folder; it keeps off a thread that is placing a
// folder, which then stays, complete.
TEST(Interrupts, WithoutAThreadToWatchAHandlerRemovesTheFolder) {
    const coswitch::ThreadStarter refuse = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    for (const int sig : {SIGTERM, SIGUSR1}) {
        for (const bool placing : {false, true}) {
            ScratchDir d;
            int ready[2];
            ASSERT_EQ(::pipe(ready), 0);
            const pid_t pid = start_child(d.path(), {}, [&] {
                coswitch::watch_interrupts(refuse);
                coswitch::NewDirectory out;
                out.open("out", "out");
                write_file(fs::path(out.path()) / "pairs.tsv", "x\n");
                fs::create_directory(fs::path(out.path()) / "sub");
                write_file(fs::path(out.path()) / "sub" / "deeper.tsv", "y\n");
                if (placing) {
                    coswitch::while_holding_unfinished_folders([&] {
                        (void)!::write(ready[1], "p", 1);
                        std::this_thread::sleep_for(std::chrono::milliseconds(200));
                        out.commit();
                    });
                } else {
                    (void)!::write(ready[1], "r", 1);
                }
                for (;;) ::pause();
            });
            ::close(ready[1]);
            char c = 0;
            ASSERT_EQ(::read(ready[0], &c, 1), 1);
            ::close(ready[0]);
            ::kill(pid, sig);
            const int status = wait_up_to(pid, 20);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig)
                << strsignal(sig) << (placing ? " placing: " : ": ") << signal_text(status);
            EXPECT_EQ(listing(d.path()), placing ? "out " : "") << strsignal(sig);
        }
    }

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than the ceiling below";
#endif
    // The program itself, where every thread's stack (as large as the stack
    // limit) is beyond the address space it may have.
    rlimit hard{};
    ::getrlimit(RLIMIT_STACK, &hard);
    if (hard.rlim_max != RLIM_INFINITY && hard.rlim_max < (rlim_t{4} << 30))
        GTEST_SKIP() << "the stack limit cannot be raised to 4 GiB here";
    expect_no_folder_after(SIGTERM, [] {
        const rlimit stack{rlim_t{4} << 30, rlim_t{4} << 30};
        const rlimit space{rlim_t{2} << 30, rlim_t{2} << 30};
        ::setrlimit(RLIMIT_STACK, &stack);
        ::setrlimit(RLIMIT_AS, &space);
    }, 1);
}
