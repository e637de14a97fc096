// Whole-file reading and writing over POSIX descriptors.
#include "fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <random>

namespace kestrum::fileio {

std::string reasonOf(int error) {
    return error ? std::strerror(error) : "unknown error";
}

std::string notRegularReason(unsigned mode) {
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return reasonOf(EISDIR);
    case S_IFIFO:
        return "not a regular file (a FIFO)";
    case S_IFCHR:
        return "not a regular file (a character device)";
    case S_IFBLK:
        return "not a regular file (a block device)";
    case S_IFSOCK:
        return "not a regular file (a socket)";
    default:
        return "not a regular file";
    }
}

InputFile::~InputFile() {
    close();
}

InputFile::InputFile(InputFile &&other) noexcept
    : m_fd(other.m_fd), m_size(other.m_size), m_reason(std::move(other.m_reason)) {
    other.m_fd = -1;
}

InputFile &InputFile::operator=(InputFile &&other) noexcept {
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_size = other.m_size;
        m_reason = std::move(other.m_reason);
        other.m_fd = -1;
    }
    return *this;
}

void InputFile::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool InputFile::open(const std::filesystem::path &path) {
    close();
    m_reason.clear();
    // O_NONBLOCK: opening a FIFO that no one writes to would wait for a writer. O_NOCTTY: a
    // terminal named by mistake must not become our controlling terminal.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        m_reason = reasonOf(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        m_reason = reasonOf(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        m_reason = notRegularReason(st.st_mode);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(st.st_size);
    m_mode = st.st_mode & 07777;
    m_owner = st.st_uid;
    return true;
}

std::ptrdiff_t InputFile::read(char *buffer, std::size_t size) {
    if (m_fd < 0) {
        m_reason = reasonOf(EBADF);
        return -1;
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        m_reason = reasonOf(errno);
        return -1;
    }
}

ReadResult readFile(const std::filesystem::path &path, std::size_t limit) {
    ReadResult result;
    InputFile file;
    if (!file.open(path)) {
        result.reason = file.reason();
        return result;
    }
    const std::size_t wanted = limit == NoLimit ? NoLimit : limit + 1;
    // The size is only a hint (a file may grow or shrink while it is read), and never makes us
    // reserve more than the limit allows. The room for one more chunk is the read that finds the
    // end: without it the string would double its size for that read.
    constexpr std::size_t Chunk = 64 * 1024;
    if (file.size() < wanted)
        result.bytes.reserve(
            std::min<std::size_t>(static_cast<std::size_t>(file.size()) + Chunk, wanted));
    while (result.bytes.size() < wanted) {
        const std::size_t at = result.bytes.size();
        const std::size_t n = std::min(Chunk, wanted - at);
        result.bytes.resize(at + n);
        const std::ptrdiff_t got = file.read(result.bytes.data() + at, n);
        if (got < 0) {
            result.bytes.clear();
            result.reason = file.reason();
            return result;
        }
        result.bytes.resize(at + static_cast<std::size_t>(got));
        if (got == 0)
            break;
    }
    result.overLimit = limit != NoLimit && result.bytes.size() > limit;
    result.mode = file.mode();
    result.owner = file.owner();
    result.ok = true;
    return result;
}

ReadResult readDescriptor(int fd) {
    ReadResult result;
    constexpr std::size_t Chunk = 64 * 1024;
    for (;;) {
        const std::size_t at = result.bytes.size();
        result.bytes.resize(at + Chunk);
        const ssize_t got = ::read(fd, result.bytes.data() + at, Chunk);
        if (got < 0 && errno == EINTR) {
            result.bytes.resize(at);
            continue;
        }
        if (got < 0) {
            result.reason = reasonOf(errno);
            result.bytes.clear();
            return result;
        }
        result.bytes.resize(at + static_cast<std::size_t>(got));
        if (got == 0)
            break;
    }
    result.ok = true;
    return result;
}

std::ptrdiff_t readSome(int fd, char *buffer, std::size_t size, std::string *reason) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            *reason = reasonOf(errno);
            return -1;
        }
    }
}

bool writeAll(int fd, std::string_view bytes, std::string *reason) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *reason = reasonOf(n < 0 ? errno : EIO);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

namespace {

// The file a save replaces: `path` with its symbolic links followed (also a last link that
// names a file that does not exist yet). False with *reason set for a loop of links.
bool resolveLinks(std::filesystem::path path, std::filesystem::path *target, std::string *reason) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *target = path;
            return true;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) {
            *reason = reasonOf(errno);
            return false; // errno kept
        }
        link.resize(static_cast<std::size_t>(n));
        const std::filesystem::path next(link);
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    *reason = reasonOf(ELOOP);
    errno = ELOOP;
    return false;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

bool writeFileAtomically(const std::filesystem::path &path, std::string_view bytes,
                         std::string *reason, int mode) {
    std::string why;
    // errno is left at `code` (0 for a refusal that is no system error).
    const auto fail = [&](std::string text, int code) {
        if (reason)
            *reason = std::move(text);
        errno = code;
        return false;
    };
    if (path.empty())
        return fail(reasonOf(ENOENT), ENOENT);
    std::filesystem::path target;
    if (!resolveLinks(path, &target, &why))
        return fail(why, errno);

    struct stat st {};
    bool exists = false;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return fail(notRegularReason(st.st_mode), 0);
        exists = true;
    } else if (errno != ENOENT) {
        return fail(reasonOf(errno), errno);
    }

    // The new file goes into the same folder, so the rename cannot cross file systems.
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + "." +
                              std::to_string(random() % 1000000000u) + ".new");
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail(reasonOf(errno), errno);
    }
    if (fd < 0)
        return fail(reasonOf(EEXIST), EEXIST);

    int error = 0;
    if (mode >= 0 || exists) {
        const mode_t bits = mode >= 0 ? mode_t(mode) & 07777 : st.st_mode & 07777;
        if (::fchmod(fd, bits) != 0)
            error = errno;
    }
    if (!error && !writeAll(fd, bytes))
        error = errno;
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return fail(reasonOf(error), error);
    }
    return true;
}

} // namespace kestrum::fileio
