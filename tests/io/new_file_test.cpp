#include "io/new_file.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "io/errors.hpp"
#include "io/unfinished_folder.hpp"
#include "support/run_program.hpp"

using namespace coswitch;
using namespace coswitch::testing;
namespace fs = std::filesystem;

namespace {

// The diagnostic of f, which must fail as a result-file failure.
template <class F>
std::string failure_of(F&& f) {
    try {
        f();
    } catch (const RunError& e) {
        EXPECT_EQ(e.status, kExitFiles) << e.what();
        return e.what();
    }
    return "no failure";
}
}  // namespace

TEST(NewFile, AppearsOnlyWhenCompleteAndNeverReplaces) {
    ScratchDir d;
    const std::string path = (d / "a.tsv").string();
    {
        NewFile f;
        f.open(path, "shown/a.tsv");
        f.write("one\n");
        EXPECT_FALSE(fs::exists(d / "a.tsv")) << "not before commit";
        f.write(std::string(100000, 'x'));
        f.commit();
    }
    EXPECT_EQ(read_file(d / "a.tsv"), "one\n" + std::string(100000, 'x'));
    EXPECT_EQ(listing(d.path()), "a.tsv ") << "no temporary left";
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_NE(st.st_mode & 0044, 0u) << "readable as any created file, not private";

    // An existing name: refused at open, named as shown, untouched.
    NewFile g;
    EXPECT_EQ(failure_of([&] { g.open(path, "shown/a.tsv"); }),
              "shown/a.tsv: file exists and cannot be overwritten");
    EXPECT_EQ(read_file(d / "a.tsv"), "one\n" + std::string(100000, 'x'));

    // A file that appears between open and commit is not replaced either.
    {
        NewFile h;
        h.open((d / "b.tsv").string(), "b.tsv");
        h.write("mine\n");
        write_file(d / "b.tsv", "theirs\n");
        EXPECT_EQ(failure_of([&] { h.commit(); }), "b.tsv: file exists and cannot be overwritten");
    }
    EXPECT_EQ(read_file(d / "b.tsv"), "theirs\n");
    EXPECT_EQ(listing(d.path()), "a.tsv b.tsv ");

    // Dropped before commit: nothing. A directory that is missing: named.
    {
        NewFile k;
        k.open((d / "c.tsv").string(), "c.tsv");
        k.write("lost\n");
    }
    EXPECT_EQ(listing(d.path()), "a.tsv b.tsv ");
    NewFile m;
    const std::string e = failure_of([&] { m.open((d / "no" / "c.tsv").string(), "no/c.tsv"); });
    EXPECT_EQ(e.rfind("no/c.tsv: cannot create: ", 0), 0u) << e;
}

TEST(NewFile, FilesThatBelongTogetherAppearTogetherOrNotAtAll) {
    ScratchDir d;
    {
        NewFile a, b;
        a.open((d / "para1.txt").string(), "para1.txt");
        b.open((d / "para2.txt").string(), "para2.txt");
        a.write("1\n");
        b.write("2\n");
        write_file(d / "para2.txt", "kept\n");  // appears while both are written
        EXPECT_NE(failure_of([&] { commit_together({&a, &b}); }).find("para2.txt"), std::string::npos);
    }
    EXPECT_EQ(listing(d.path()), "para2.txt ") << "para1.txt taken back, no temporaries";
    EXPECT_EQ(read_file(d / "para2.txt"), "kept\n");

    // Taking back removes only what this wrote: a file put in its place stays.
    NewFile c;
    c.open((d / "c.txt").string(), "c.txt");
    c.commit();
    fs::remove(d / "c.txt");
    write_file(d / "c.txt", "someone else's\n");
    c.take_back();
    EXPECT_EQ(read_file(d / "c.txt"), "someone else's\n");
}

TEST(NewFile, AFullDiskLeavesNothing) {
    // In a child, with the file size limited as on a full disk.
    ScratchDir d;
    const pid_t pid = ::fork();
    if (pid == 0) {
        limit_file_size(1000);
        int code = 0;
        try {
            NewFile f;
            f.open((d / "big.svg").string(), "big.svg");
            f.write(std::string(5000, 'x'));
            f.commit();
            code = 10;
        } catch (const RunError& e) {
            code = std::string(e.what()).find("big.svg: write failed") == 0 ? 0 : 11;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(listing(d.path()), "");
}

TEST(NewDirectory, RenamedIntoPlaceOnlyWhenCommitted) {
    ScratchDir d;
    {
        NewDirectory dir;
        dir.open((d / "out").string(), "out");
        write_file(fs::path(dir.path()) / "a.txt", "a\n");
        fs::create_directory(fs::path(dir.path()) / "sub");
        write_file(fs::path(dir.path()) / "sub" / "b.txt", "b\n");
        EXPECT_FALSE(fs::exists(d / "out"));
    }
    EXPECT_EQ(listing(d.path()), "") << "removed with its contents";

    NewDirectory dir;
    dir.open((d / "out").string(), "out");
    write_file(fs::path(dir.path()) / "a.txt", "a\n");
    dir.commit();
    EXPECT_EQ(read_file(d / "out" / "a.txt"), "a\n");
    EXPECT_EQ(listing(d.path()), "out ");

    // Never onto anything that exists, an empty folder included.
    for (const char* taken : {"empty", "file"}) {
        if (std::string(taken) == "empty") fs::create_directory(d / taken);
        else write_file(d / taken, "x\n");
        fs::create_directory(d / "tmp");
        const std::string e = failure_of(
            [&] { rename_directory_into_place((d / "tmp").string(), (d / taken).string(), taken); });
        EXPECT_EQ(e, std::string(taken) + ": file exists and cannot be overwritten");
        EXPECT_TRUE(fs::exists(d / "tmp"));
        fs::remove(d / "tmp");
    }
    NewDirectory late;
    late.open((d / "late").string(), "late");
    fs::create_directory(d / "late");
    EXPECT_NE(failure_of([&] { late.commit(); }).find("late"), std::string::npos);
}

// Every name the file system takes can be written under a temporary name
// first, the longest ones included.
TEST(NewDirectory, TheLongestNamesFitTheirTemporaries) {
    ScratchDir d;
    const long longest = ::pathconf(d.path().c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 20);
    for (const long length : {longest - 30, longest - 1, longest}) {
        const std::string name(static_cast<std::size_t>(length), 'n');
        const std::string t = temporary_name_beside((d / name).string(), 0);
        EXPECT_LE(fs::path(t).filename().string().size(), static_cast<std::size_t>(longest));
        EXPECT_EQ(fs::path(t).parent_path(), d.path());
        NewDirectory dir;
        dir.open((d / name).string(), name);
        write_file(fs::path(dir.path()) / "a.txt", "a\n");
        dir.commit();
        NewFile f;
        f.open((d / (name.substr(1) + "f")).string(), "f");
        f.write("f\n");
        f.commit();
        EXPECT_EQ(read_file(d / name / "a.txt"), "a\n");
        EXPECT_EQ(read_file(d / (name.substr(1) + "f")), "f\n");
        fs::remove_all(d / name);
        fs::remove(d / (name.substr(1) + "f"));
    }
    EXPECT_EQ(listing(d.path()), "");
    // Cut between characters of a name that is not all ASCII.
    std::string wide;
    while (wide.size() + 2 <= static_cast<std::size_t>(longest)) wide += "\xc3\xa9";
    const std::string t = fs::path(temporary_name_beside((d / wide).string(), 0)).filename().string();
    const std::size_t cut = t.find(".tmp-");
    ASSERT_NE(cut, std::string::npos);
    EXPECT_EQ(cut % 2, 1u) << "a whole number of two-byte characters after the dot";
}

// Results and the classic inputs: both in place, or neither.
TEST(NewDirectory, FoldersThatBelongTogetherArePlacedTogetherOrNotAtAll) {
    ScratchDir d;
    {
        NewDirectory a, b;
        a.open((d / "a").string(), "a");
        b.open((d / "b").string(), "b");
        fs::create_directory(d / "b");  // appears while both are written
        EXPECT_EQ(failure_of([&] { commit_folders_together({&a, &b}); }),
                  "b: file exists and cannot be overwritten");
        EXPECT_FALSE(fs::exists(d / "a")) << "a went back to its temporary name";
    }
    EXPECT_EQ(listing(d.path()), "b ") << "and was removed with it";
    NewDirectory a, c;
    a.open((d / "a").string(), "a");
    c.open((d / "c").string(), "c");
    commit_folders_together({&a, &c});
    EXPECT_EQ(listing(d.path()), "a b c ");
}

// The removal an interrupt makes and the rename into place exclude each
// other: whenever the removal comes, the folder ends up complete or absent.
TEST(NewDirectory, ARemovalDuringTheRenameLeavesAllOrNothing) {
    ScratchDir d;
    std::uint64_t state = 7;  // splitmix64
    const auto random = [&state] {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    };
    for (int round = 0; round < 400; ++round) {
        const fs::path out = d / ("out" + std::to_string(round));
        NewDirectory dir;
        dir.open(out.string(), "out");
        for (int k = 0; k < 40; ++k)
            write_file(fs::path(dir.path()) / ("f" + std::to_string(k)), "x\n");
        // The removal starts at once, the rename after up to about as long
        // as the removal takes.
        const auto delay = std::chrono::microseconds(random() % 300);
        std::atomic<bool> go{false};
        std::thread remover([&] {
            while (!go.load()) {
            }
            remove_unfinished_folders();
        });
        go = true;
        const auto until = std::chrono::steady_clock::now() + delay;
        while (std::chrono::steady_clock::now() < until) {
        }
        try {
            dir.commit();
        } catch (const RunError&) {
        }
        remover.join();
        if (fs::exists(out)) {
            EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 40)
                << round;
            fs::remove_all(out);
        }
        ASSERT_EQ(listing(d.path()), "") << round << ": nothing half removed or left hidden";
    }
}

// The classic inputs' folder and the results' are both removed on an
// interrupt, the one placed neither with nor without the other.
TEST(NewDirectory, EveryUnfinishedFolderIsRemoved) {
    ScratchDir d;
    NewDirectory a, b;
    a.open((d / "a").string(), "a");
    b.open((d / "b").string(), "b");
    write_file(fs::path(a.path()) / "x", "x\n");
    fs::create_directories(fs::path(b.path()) / "sub" / "deeper");
    write_file(fs::path(b.path()) / "sub" / "deeper" / "y", "y\n");
    remove_unfinished_folders();
    EXPECT_EQ(listing(d.path()), "");
    EXPECT_NE(failure_of([&] { commit_folders_together({&a, &b}); }).find("a: cannot create"),
              std::string::npos);
    EXPECT_EQ(listing(d.path()), "");
}

// -o and --write-classic must not name one folder, however each is written;
// folders that only look alike are two.
TEST(NewDirectory, NamesOfOnePlaceAreFoundAsTheSystemFindsThem) {
    ScratchDir d;
    fs::create_directory(d / "real");
    fs::create_directory_symlink(d / "real", d / "link");
    const std::string abs = (d / "real" / "out").string();
    const std::vector<std::pair<std::string, std::string>> one = {
        {"out", "out"}, {"out/", "out//"}, {"./out", "out"}, {"a//out/", "a/out"},
        {abs, abs + "/"}, {(d / "link" / "out").string(), abs},
        {(d / "real" / ".." / "real" / "out").string(), abs}};
    for (const auto& [a, b] : one) EXPECT_TRUE(names_one_place(a, b)) << a << " " << b;
    const std::vector<std::pair<std::string, std::string>> two = {
        {"out", "out2"}, {"out", "x/out"}, {(d / "real" / "out").string(), (d / "out").string()},
        {abs, abs + "/classic"}};
    for (const auto& [a, b] : two) EXPECT_FALSE(names_one_place(a, b)) << a << " " << b;
    // Relative names as the working folder sees them.
    const fs::path here = fs::current_path();
    fs::current_path(d / "real");
    const bool same = names_one_place("out/", abs);
    fs::current_path(here);
    EXPECT_TRUE(same);
}
