#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

// What `make install` puts under PREFIX: the program, its manual page, its
// completion and its citation, each where the system looks for it.
TEST(Install, ProgramManualCompletionAndCitation) {
    ScratchDir prefix;
    const auto r = run_tool(prefix.path(), {COSWITCH_CMAKE, "--install", COSWITCH_BUILD_DIR, "--prefix",
                                            prefix.path().string(), "--component", "program"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::set<std::string> installed;
    for (const auto& e : fs::recursive_directory_iterator(prefix.path()))
        if (!e.is_directory()) installed.insert(fs::relative(e.path(), prefix.path()).string());
    EXPECT_EQ(installed, (std::set<std::string>{"bin/coswitch", "share/man/man1/coswitch.1",
                                                "share/bash-completion/completions/coswitch",
                                                "share/doc/coswitch/CITATION.cff"}));
    const fs::path source(COSWITCH_SOURCE_DIR);
    EXPECT_EQ(read_file(prefix / "share/man/man1/coswitch.1"), read_file(source / "docs/coswitch.1"));
    EXPECT_EQ(read_file(prefix / "share/bash-completion/completions/coswitch"),
              read_file(source / "scripts/coswitch.bash-completion"));
    EXPECT_EQ(read_file(prefix / "share/doc/coswitch/CITATION.cff"), read_file(source / "CITATION.cff"));
    const auto version = run_tool(prefix.path(), {(prefix / "bin/coswitch").string(), "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, run_program(prefix.path(), "", {"--version"}).out);
}
