// Whole-file reading and writing that neither blocks, nor aborts, nor loses data.
//
// Every read of a table file, an input file or a loaded file, and every save, goes through
// here, so the same rules hold everywhere:
// - only a regular file is read; a folder, a FIFO, a device or a socket is refused, also when a
//   symbolic link names it (a link to a regular file is followed);
// - a file is opened without blocking (a FIFO with no writer would otherwise hang the open),
//   and the opened descriptor is checked, so nothing can be swapped in between check and use;
// - a save replaces its file as a whole or not at all, and refuses to replace anything but a
//   regular file or a missing name;
// - every failure comes with the system's reason ("No space left on device").
// Pure C++ and POSIX; no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>

namespace kestrum::fileio {

// The system's text for an errno value, e.g. "Is a directory".
std::string reasonOf(int error);

// Why `mode` (a stat mode) is not a regular file: "Is a directory", or for the other kinds
// "not a regular file (a FIFO)", "(a character device)", "(a block device)", "(a socket)".
std::string notRegularReason(unsigned mode);

// A regular file open for reading; closed by the destructor.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile &&other) noexcept;
    InputFile &operator=(InputFile &&other) noexcept;
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    // Opens `path`. False, with reason() set, when it cannot be opened or is not a regular
    // file; nothing is left open then.
    bool open(const std::filesystem::path &path);
    bool isOpen() const { return m_fd >= 0; }
    void close();

    // Reads up to `size` bytes into `buffer`: the number read, 0 at the end of the file, or -1
    // with reason() set on a read error.
    std::ptrdiff_t read(char *buffer, std::size_t size);

    // The file's size, permission bits and owner when it was opened.
    std::uint64_t size() const { return m_size; }
    unsigned mode() const { return m_mode; }
    unsigned owner() const { return m_owner; }
    // Why the last open or read failed.
    const std::string &reason() const { return m_reason; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    unsigned m_mode = 0;
    unsigned m_owner = 0;
    std::string m_reason;
};

constexpr std::size_t NoLimit = std::numeric_limits<std::size_t>::max();

struct ReadResult {
    bool ok = false;
    // The file's bytes; with overLimit, the first limit + 1 of them.
    std::string bytes;
    // The file holds more than the limit.
    bool overLimit = false;
    // Why reading failed (when !ok).
    std::string reason;
    // The file's permission bits and owner (when ok).
    unsigned mode = 0;
    unsigned owner = 0;
};

// Reads the regular file `path` whole, but never more than `limit` + 1 bytes, so a file over
// the limit costs no more memory than the limit.
ReadResult readFile(const std::filesystem::path &path, std::size_t limit = NoLimit);

// Reads the open descriptor `fd` (standard input, a pipe) to its end, with no check of what
// it is: the caller chose it.
ReadResult readDescriptor(int fd);

// Reads up to `size` bytes from the open descriptor `fd` (standard input, a pipe), with no
// check of what it is, again when a signal interrupts the read: the number read, 0 at the end,
// or -1 with *reason set.
std::ptrdiff_t readSome(int fd, char *buffer, std::size_t size, std::string *reason);

// Writes all of `bytes` to the open descriptor `fd` (standard output), in as many writes as it
// takes. False, with *reason set, when a write fails; some of the bytes may be written then.
bool writeAll(int fd, std::string_view bytes, std::string *reason);

// Writes `bytes` to `path` as a whole or not at all: into a new file beside it, flushed to the
// disk, then renamed over it. A symbolic link is followed (the file it names is replaced; the
// link stays). A name that exists and is not a regular file (after following links) is
// refused and left as it is. The new file keeps the permission bits of the one it replaces; a
// new name gets 0666 less the umask; with `mode` (for example 0644) the new file gets exactly
// those bits either way. False, with *reason set and errno at the system's error (0 for a
// refused target), on failure; the old file is then unchanged and no temporary file is left
// behind.
bool writeFileAtomically(const std::filesystem::path &path, std::string_view bytes,
                         std::string *reason, int mode = -1);

} // namespace kestrum::fileio
