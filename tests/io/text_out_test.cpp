#include "io/text_out.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "io/errors.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

std::string gunzip(const fs::path& p) {
    gzFile f = gzopen(p.c_str(), "rb");
    EXPECT_NE(f, nullptr);
    std::string text;
    char buf[4096];
    int n;
    while ((n = gzread(f, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    EXPECT_EQ(n, 0);
    gzclose(f);
    return text;
}

// More than one buffer's worth, in pieces small and large.
std::string sample_text() {
    std::string text;
    for (int k = 0; k < 20000; ++k) text += "row " + std::to_string(k) + "\tgene\t0.125\n";
    text += std::string(200000, 'x') + "\n";
    return text;
}

void write_in_pieces(TextOut& out, const std::string& text) {
    std::size_t at = 0, piece = 1;
    while (at < text.size()) {
        const std::size_t n = std::min(piece, text.size() - at);
        out.write(std::string_view(text).substr(at, n));
        at += n;
        piece = piece * 7 % 100003 + 1;
    }
}

int status_of(const std::function<void()>& f, std::string* message = nullptr) {
    try {
        f();
    } catch (const RunError& e) {
        if (message) *message = e.what();
        return e.status;
    }
    return 0;
}

}  // namespace

TEST(TextOut, PlainAndGzipRoundTripSameBytesEveryTime) {
    ScratchDir d;
    const std::string text = sample_text();
    {
        TextOut plain, gz, gz2;
        plain.create((d / "a.tsv").string(), "a.tsv");
        gz.create((d / "a.tsv.gz").string(), "a.tsv.gz", true);
        gz2.create((d / "b.tsv.gz").string(), "b.tsv.gz", true);
        write_in_pieces(plain, text);
        write_in_pieces(gz, text);
        gz2.write(text);
        plain.close();
        gz.close();
        gz2.close();
    }
    EXPECT_EQ(read_file(d / "a.tsv"), text);
    EXPECT_EQ(gunzip(d / "a.tsv.gz"), text);
    const std::string packed = read_file(d / "a.tsv.gz");
    EXPECT_LT(packed.size(), text.size() / 4);
    // No time or name in the header: how the text was cut does not matter.
    EXPECT_EQ(read_file(d / "b.tsv.gz"), packed);

    // An empty file is a valid empty gzip stream.
    TextOut empty;
    empty.create((d / "e.gz").string(), "e.gz", true);
    empty.close();
    EXPECT_EQ(gunzip(d / "e.gz"), "");
}

TEST(TextOut, FailuresNameTheFileAndNothingIsOverwritten) {
    ScratchDir d;
    write_file(d / "old.tsv", "keep");
    std::string msg;
    for (bool gz : {false, true}) {
        TextOut out;
        EXPECT_EQ(status_of([&] { out.create((d / "old.tsv").string(), "old.tsv", gz); }, &msg),
                  kExitFiles);
        EXPECT_NE(msg.find("old.tsv: file exists"), std::string::npos) << msg;
        EXPECT_EQ(read_file(d / "old.tsv"), "keep");
    }
    TextOut nowhere;
    EXPECT_EQ(status_of([&] { nowhere.create((d / "no/such.tsv").string(), "such.tsv"); }, &msg),
              kExitFiles);
    EXPECT_NE(msg.find("such.tsv: cannot create"), std::string::npos) << msg;

    // A full device: the failure shows at a write or at the close, never as success.
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd < 0) GTEST_SKIP() << "no /dev/full";
    for (bool gz : {false, true}) {
        TextOut full;
        full.attach(fd, "full.tsv", gz);
        EXPECT_EQ(status_of([&] {
                      full.write(sample_text());
                      full.close();
                  }, &msg),
                  kExitFiles)
            << gz;
        EXPECT_NE(msg.find("full.tsv: write failed"), std::string::npos) << msg;
    }
    // The attached descriptor stays open for its owner.
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);

    // discard removes what create made.
    TextOut gone;
    gone.create((d / "gone.tsv").string(), "gone.tsv");
    gone.write("x");
    gone.discard();
    EXPECT_FALSE(fs::exists(d / "gone.tsv"));
}
