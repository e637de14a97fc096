// Whole-file reading and saving: what is refused, what is followed, what a failure says, and
// that a failed save leaves the old file as it was.
#include "fileio.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using namespace kestrum::fileio;

namespace {

class Folder {
public:
    Folder() {
        static int serial = 0;
        m_path = fs::temp_directory_path() /
                 ("kestrum-fileio-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::create_directories(m_path);
    }
    ~Folder() { fs::remove_all(m_path); }
    fs::path operator/(const std::string &name) const { return m_path / name; }

private:
    fs::path m_path;
};

void write(const fs::path &file, const std::string &bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string contents(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A character device node like /dev/null, made in the test's folder (needs root); false when it
// cannot be made.
bool makeNullDevice(const fs::path &file) {
    return ::mknod(file.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

} // namespace

TEST(ReadFile, ReadsRegularFilesAndLinksToThem) {
    Folder dir;
    write(dir / "text", "abc,def\r\n");
    fs::create_symlink(dir / "text", dir / "link");
    for (const char *name : {"text", "link"}) {
        SCOPED_TRACE(name);
        const ReadResult r = readFile(dir / name);
        EXPECT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(r.bytes, "abc,def\r\n");
        EXPECT_FALSE(r.overLimit);
    }
}

TEST(ReadFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
    Folder dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink(dir / "fifo", dir / "link-to-fifo");
    fs::create_symlink("/dev/zero", dir / "link-to-zero");
    const struct {
        const char *name;
        std::string reason;
    } cases[] = {
        {"folder", "Is a directory"},
        {"fifo", "not a regular file (a FIFO)"},
        {"link-to-fifo", "not a regular file (a FIFO)"},
        {"link-to-zero", "not a regular file (a character device)"},
        {"missing", "No such file or directory"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult r = readFile(dir / c.name);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_TRUE(r.bytes.empty());
    }
}

TEST(ReadFile, ReadsNoMoreThanOneByteOverTheLimit) {
    Folder dir;
    write(dir / "big", std::string(100000, 'x'));
    const struct {
        std::size_t limit;
        std::size_t bytes;
        bool overLimit;
    } cases[] = {{100000, 100000, false}, {99999, 100000, true}, {10, 11, true}, {0, 1, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.limit);
        const ReadResult r = readFile(dir / "big", c.limit);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.bytes.size(), c.bytes);
        EXPECT_EQ(r.overLimit, c.overLimit);
    }
}

TEST(WriteFileAtomically, WritesNewFilesAndReplacesOldOnesKeepingTheirMode) {
    Folder dir;
    std::string reason;
    ASSERT_TRUE(writeFileAtomically(dir / "new", "one", &reason)) << reason;
    EXPECT_EQ(contents(dir / "new"), "one");

    write(dir / "old", "old text");
    fs::permissions(dir / "old", fs::perms(0640));
    ASSERT_TRUE(writeFileAtomically(dir / "old", "two", &reason)) << reason;
    EXPECT_EQ(contents(dir / "old"), "two");
    EXPECT_EQ(fs::status(dir / "old").permissions(), fs::perms(0640));

    // Through a symbolic link (relative, and one whose file does not exist yet): the file it
    // names is written, the link stays a link.
    write(dir / "target", "target");
    fs::create_symlink("target", dir / "link");
    fs::create_symlink("not-yet", dir / "dangling");
    ASSERT_TRUE(writeFileAtomically(dir / "link", "three", &reason)) << reason;
    ASSERT_TRUE(writeFileAtomically(dir / "dangling", "four", &reason)) << reason;
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(contents(dir / "target"), "three");
    EXPECT_EQ(contents(dir / "not-yet"), "four");

    // Nothing but the files themselves is left in the folder.
    int entries = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(dir / ""))
        ++entries;
    EXPECT_EQ(entries, 6);
}

TEST(WriteFileAtomically, RefusesToReplaceWhatIsNotARegularFile) {
    Folder dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink("fifo", dir / "link-to-fifo");
    const bool device = makeNullDevice(dir / "null");
    struct {
        const char *name;
        std::string reason;
        fs::file_type type;
    } cases[] = {
        {"folder", "Is a directory", fs::file_type::directory},
        {"fifo", "not a regular file (a FIFO)", fs::file_type::fifo},
        {"link-to-fifo", "not a regular file (a FIFO)", fs::file_type::fifo},
        {"null", "not a regular file (a character device)", fs::file_type::character},
    };
    for (const auto &c : cases) {
        if (!device && std::string(c.name) == "null")
            continue;
        SCOPED_TRACE(c.name);
        std::string reason;
        EXPECT_FALSE(writeFileAtomically(dir / c.name, "text", &reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(fs::status(dir / c.name).type(), c.type);
    }
}

// A write that the system cuts short (here: the file size limit, EFBIG, as a full disk gives
// ENOSPC) fails with the system's reason and leaves the old file and no temporary file.
TEST(WriteFileAtomically, AFailingWriteNamesTheReasonAndKeepsTheOldFile) {
    Folder dir;
    write(dir / "kept", "the old text");
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string reason;
    const bool written = writeFileAtomically(dir / "kept", std::string(5000, 'x'), &reason);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(written);
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(contents(dir / "kept"), "the old text");
    int entries = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(dir / ""))
        ++entries;
    EXPECT_EQ(entries, 1);
}
