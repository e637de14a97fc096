// Fuzz target for the table-file reader: any bytes as a table file on disk.
//
// Checks that reading gives records or a TableLoadError and nothing else, that no field keeps
// more than FieldReader::MaxFieldLength bytes, that the file is read as the same bytes read
// from memory would be, and that reading them in pieces of any size changes nothing. Built for
// libFuzzer when KESTRUM_LIBFUZZER is defined; otherwise a small driver feeds it random table
// files, so the ordinary test run (and the sanitizer build) exercises it too.
#include "fieldreader.h"
#include "tables.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kestrum;
using Records = std::vector<std::pair<std::string, std::string>>;

[[noreturn]] void fault(const char *what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Up to `count` records of `text` as the reader splits them, in pieces of `piece` bytes
// (0: all at once); a shorter list when the text ends first.
Records split(const std::string &text, int count, std::size_t piece) {
    std::size_t at = 0;
    FieldReader pieces([&](char *buffer, std::size_t size) -> std::ptrdiff_t {
        const std::size_t n = std::min({size, text.size() - at, piece ? piece : text.size()});
        std::copy_n(text.data() + at, n, buffer);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
    });
    FieldReader whole(text);
    FieldReader &reader = piece ? pieces : whole;
    Records records;
    while (static_cast<int>(records.size()) < count) {
        auto key = reader.next();
        auto glyphs = key ? reader.next() : std::nullopt;
        if (!glyphs)
            break;
        records.emplace_back(std::move(*key), std::move(*glyphs));
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // In memory where there is a tmpfs: a disk would make every run wait for the file.
    struct Scratch {
        Scratch() {
            const std::filesystem::path shm = "/dev/shm";
            path = (std::filesystem::is_directory(shm) ? shm
                                                       : std::filesystem::temp_directory_path()) /
                   ("kestrum-tables-fuzz-" + std::to_string(::getpid()));
            std::filesystem::create_directories(path);
        }
        ~Scratch() { std::filesystem::remove_all(path); }
        std::filesystem::path path;
    };
    static const Scratch scratch;
    const std::filesystem::path &dir = scratch.path;
    const std::string text(reinterpret_cast<const char *>(data), size);
    // A new file each time (truncating one makes some file systems flush it to the disk).
    std::filesystem::remove(dir / kConnectFile);
    std::ofstream(dir / kConnectFile, std::ios::binary) << text;

    Records read;
    int failedAt = -1; // the record a load error names
    try {
        read = readRecords(dir, kConnectFile, kConnectRecords);
    } catch (const TableLoadError &error) {
        if (error.file() != kConnectFile)
            fault("a load error names the wrong file");
        failedAt = error.record();
    }
    const Records expected = split(text, kConnectRecords, 0);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        if (failedAt != 0)
            fault("a byte-order mark was not refused");
    } else if (expected.size() < kConnectRecords) {
        if (failedAt != static_cast<int>(expected.size()) + 1)
            fault("a short file is not reported at its first missing record");
    } else if (failedAt >= 0 || read != expected) {
        fault("the file reader and the text reader disagree");
    }
    for (const auto &[key, glyphs] : read) {
        if (key.size() > FieldReader::MaxFieldLength || glyphs.size() > FieldReader::MaxFieldLength)
            fault("a field kept more than its limit");
    }
    const std::size_t piece = size ? 1 + data[0] % 7 : 1;
    if (split(text, kConnectRecords, piece) != expected)
        fault("reading in pieces changed the records");
    return 0;
}

#ifndef KESTRUM_LIBFUZZER
int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::mt19937 rng(7);
    const std::string pieces[] = {"k",           "A", ",",  "\r\n", "\n",   "\r",
                                  "\"",          " ", "\t", "kh",   "\x86", std::string(1, '\0'),
                                  "\xEF\xBB\xBF"};
    for (int i = 0; i < runs; ++i) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, 80)(rng);
        for (int j = 0; j < length; ++j)
            text +=
                pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(rng)];
        if (i % 50 == 0)
            text.insert(0, std::string(FieldReader::MaxFieldLength + 3, 'x'));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
    }
    std::printf("%d random table files read\n", runs);
    return 0;
}
#endif
