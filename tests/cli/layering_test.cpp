#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// Below src/cli/ is a library that other programs host: it leans on nothing
// of the command line, and never prints, ends the process or takes signals.
TEST(Layering, OnlyTheCommandLinePrintsExitsOrTakesSignals) {
    const std::vector<std::pair<const char*, std::regex>> rules = {
        {"includes the command line", std::regex(R"(#\s*include\s*"cli/)")},
        {"ends the process", std::regex(R"((^|[^.>:\w])(::|std::)?(exit|_exit|_Exit|quick_exit)\s*\()")},
        {"prints", std::regex(R"(\b(stdout|stderr|std::cout|std::cerr)\b|(^|[^\w])(std::)?(printf|puts)\s*\()")},
        {"takes signals", std::regex(R"(\b(signal|sigaction|pthread_sigmask|sigprocmask|raise)\s*\(|\bsigaction\b)")},
    };
    const fs::path src = fs::path(COSWITCH_SOURCE_DIR) / "src";
    std::size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        const fs::path rel = fs::relative(e.path(), src);
        if (!e.is_regular_file() || *rel.begin() == "cli") continue;
        ++files;
        std::ifstream in(e.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            for (const auto& [what, rule] : rules)
                EXPECT_FALSE(std::regex_search(line, rule))
                    << "src/" << rel.string() << ":" << n << " " << what << ": " << line;
    }
    EXPECT_GT(files, 100u) << "the sources were not found under " << src;

    // The rules see what they are for.
    for (const char* bad : {"#include \"cli/options.hpp\"", "    std::exit(3);", "::_exit(1);",
                            "std::fputs(t.c_str(), stderr);", "printf(\"x\");", "::signal(SIGINT, f);"}) {
        bool caught = false;
        for (const auto& rule : rules) caught = caught || std::regex_search(std::string(bad), rule.second);
        EXPECT_TRUE(caught) << bad;
    }
    for (const char* fine : {"ranks.abort(status);", "std::snprintf(buf, 8, \"%d\", n);",
                             "std::fprintf(out, \" %s\\n\", text);", "// on standard output"}) {
        bool caught = false;
        for (const auto& rule : rules) caught = caught || std::regex_search(std::string(fine), rule.second);
        EXPECT_FALSE(caught) << fine;
    }
}
