#include "io/text_out.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "io/errors.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;

namespace {
std::string gunzip(const std::filesystem::path& p) {
    gzFile f = gzopen(p.c_str(), "rb");
    std::string text;
    char buf[4096];
    for (int n; (n = gzread(f, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    gzclose(f);
    return text;
}

// The message of the RunError(kExitFiles, ...) that f throws.
template <class F>
std::string failure(F f) {
    try {
        f();
    } catch (const RunError& e) {
        EXPECT_EQ(e.status, kExitFiles);
        return e.what();
    }
    return "no failure";
}
}  // namespace

TEST(TextOut, RoundTripsAndEveryFailureIsReported) {
    ScratchDir d;
    // Over the buffer size, written in pieces of every size and all at once.
    std::string text;
    for (int k = 0; k < 20000; ++k) text += "row " + std::to_string(k) + "\tgene\t0.125\n";
    text += std::string(200000, 'x');
    struct Case {
        const char* name;
        bool gz, pieces;
    };
    for (const Case c : {Case{"a.tsv", false, true}, Case{"a.tsv.gz", true, true},
                         Case{"b.tsv.gz", true, false}}) {
        TextOut out;
        out.create((d / c.name).string(), c.name, c.gz);
        for (std::size_t at = 0, n = c.pieces ? 1 : text.size(); at < text.size(); at += n, n = n * 7 % 100003 + 1)
            out.write(std::string_view(text).substr(at, n));
        out.close();
    }
    EXPECT_EQ(read_file(d / "a.tsv"), text);
    EXPECT_EQ(gunzip(d / "a.tsv.gz"), text);
    // No time or name in the gzip header: the same text gives the same bytes.
    EXPECT_EQ(read_file(d / "a.tsv.gz"), read_file(d / "b.tsv.gz"));

    TextOut again;
    EXPECT_EQ(failure([&] { again.create((d / "a.tsv").string(), "a.tsv", true); }),
              "a.tsv: file exists and cannot be overwritten");
    EXPECT_EQ(read_file(d / "a.tsv"), text);

    // A full device fails at a write or at the close, never silently; the
    // caller's descriptor stays open.
    const int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    for (bool gz : {false, true}) {
        TextOut full;
        full.attach(fd, "full.tsv", gz);
        EXPECT_EQ(failure([&] {
                      full.write(text);
                      full.close();
                  }).rfind("full.tsv: write failed", 0),
                  0u);
    }
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);

    TextOut gone;
    gone.create((d / "gone").string(), "gone");
    gone.write("x");
    gone.discard();
    EXPECT_FALSE(std::filesystem::exists(d / "gone"));
}
