#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {
// The top-level keys of a YAML file and their values on the same line,
// unquoted; enough for CITATION.cff without a YAML library.
std::map<std::string, std::string> top_level(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (line.empty() || line[0] == ' ' || line[0] == '#' || line[0] == '-' || colon == std::string::npos)
            continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        keys[line.substr(0, colon)] = value;
    }
    return keys;
}
}  // namespace

// A release that bumps the version and forgets the citation fails here.
TEST(Citation, NamesTheProgramAndItsVersion) {
    const std::string text = read_file(fs::path(COSWITCH_SOURCE_DIR) / "CITATION.cff");
    auto keys = top_level(text);
    ScratchDir d;
    const std::string version = run_program(d.path(), "", {"--version"}).out;
    EXPECT_EQ("coswitch " + keys["version"] + "\n", version);
    EXPECT_EQ(keys["cff-version"], "1.2.0");
    EXPECT_EQ(keys["title"], "coswitch");
    EXPECT_EQ(keys["type"], "software");
    for (const char* required : {"message", "authors", "abstract", "keywords"})
        EXPECT_EQ(keys.count(required), 1u) << required;
    EXPECT_NE(text.find("\n  - name: \"The coswitch developers\"\n"), std::string::npos);
}
