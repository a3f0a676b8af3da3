#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/run_program.hpp"

using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

const char* const kChromium = "/usr/bin/chromium";

struct Rendered {
    int status = -1;
    std::string dom, console;
};

// The page as headless Chromium renders it from disk, scripts run, with its
// console messages. A fresh profile, and nothing that reaches the network.
Rendered render(const fs::path& page, const std::string& hash, const fs::path& scratch) {
    const fs::path profile = scratch / "profile";
    fs::remove_all(profile);
    fs::create_directory(profile);
    const fs::path dom = scratch / "dom.html", log = scratch / "chromium.log";
    const std::string command =
        std::string("timeout 120 ") + kChromium +
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
        " --disable-background-networking --disable-component-update --disable-sync"
        " --user-data-dir='" + profile.string() + "' --enable-logging=stderr --v=0 --dump-dom"
        " 'file://" + fs::absolute(page).string() + hash + "' > '" + dom.string() + "' 2> '" +
        log.string() + "'";
    Rendered r;
    r.status = std::system(command.c_str());
    r.dom = read_file(dom);
    std::istringstream in(read_file(log));
    for (std::string line; std::getline(in, line);)
        if (line.find(":CONSOLE") != std::string::npos) r.console += line + "\n";
    return r;
}

}  // namespace

// The bundled example's report.html opened from disk: no console message
// (an error in the page's script would show there), a panel per pair drawn,
// and the script's sorting and filtering set up, a link's gene filter too.
TEST(ReportBrowser, OpensFromDiskWithAPanelPerTopPair) {
    if (!fs::exists(kChromium))
        GTEST_SKIP() << "chromium not installed (scripts/install-deps.sh installs it): "
                        "report.html not rendered";
    ScratchDir d;
    const std::string ex = std::string(COSWITCH_SOURCE_DIR) + "/examples/";
    auto r = run_program(d.path(), "", {"scan", ex + "expression.tsv", "--design", ex + "design.tsv",
                                        "--bootstrap", "20", "-o", "out", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    Rendered page = render(d / "out" / "report.html", "", d.path());
    ASSERT_EQ(page.status, 0) << page.dom;
    EXPECT_EQ(page.console, "");
    // geneG, with a missing value, is kept: 7 genes, 21 pairs.
    EXPECT_EQ(occurrences(page.dom, "<div class=\"panel\" id=\"pair-"), 21u);
    EXPECT_EQ(occurrences(page.dom, "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"pair-panel\""), 21u);
    EXPECT_NE(page.dom.find("21 of 21 pairs of the table shown"), std::string::npos);
    EXPECT_NE(page.dom.find("<th class=\"up\">rank</th>"), std::string::npos) << "sorted by rank";

    // Six pairs hold geneC; the other fifteen rows are hidden.
    page = render(d / "out" / "report.html", "#gene=genec", d.path());
    EXPECT_EQ(page.console, "");
    EXPECT_NE(page.dom.find("6 of 21 pairs of the table shown"), std::string::npos);
    EXPECT_EQ(occurrences(page.dom, "<tr hidden=\"\">"), 15u);
}
