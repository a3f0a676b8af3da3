#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

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
