// The English file: the input area's text as a file of its own, written by Save English File
// and read back by Load.
#pragma once

#include "glyphtext.h"

#include <QByteArray>
#include <QString>

namespace kestrum::textfile {

// Load reads files of at most this many bytes.
constexpr qint64 LoadLimit = 64000;

struct Encoded {
    QByteArray bytes;
    // Written as UTF-8 with a byte-order mark instead of Windows-1252, because the text holds
    // characters outside Windows-1252 ...
    bool utf8 = false;
    // ... or because its Windows-1252 bytes would begin as a byte-order mark does ("ï»¿"), which
    // Load would take for one.
    bool utf8ForMark = false;
    // Lone halves of UTF-16 surrogate pairs, which no encoding can hold: each was written as
    // U+FFFD.
    int replaced = 0;
};

// The file for `text` (CR LF line breaks, as the input area gives them): its Windows-1252
// bytes followed by CR LF; UTF-8 with a byte-order mark when Windows-1252 cannot hold it or
// would read back as something else. decode(encode(t).bytes) == t for every text without lone
// surrogates.
Encoded encode(const QString &text);

// Windows-1252 bytes (or glyph codes) as the characters a widget shows (glyphtext.h).
using kestrum::fromCp1252;

// The text of a file as Load puts it into the input area: Windows-1252, or UTF-8 when the file
// starts with a UTF-8 byte-order mark (a U+FEFF after the mark is kept as text); everything
// kept as it stands (line breaks, commas, quotes, blanks) except one final line break (CR LF
// or LF), the one encode() appends. In UTF-8, each byte sequence that is not UTF-8 is read as
// U+FFFD; *replaced (when given) receives how many there were.
QString decode(const QByteArray &bytes, int *replaced = nullptr);

// Writes `bytes` to `path` as a whole or not at all (a temporary file renamed over it), over a
// regular file or a new name only (a symbolic link is followed). False with *error set to
// "Cannot save "<path>": <the system's reason>" on failure.
bool writeFile(const QString &path, const QByteArray &bytes, QString *error);

struct ReadResult {
    bool ok = false;
    // The file holds more than the limit; bytes then holds limit + 1 of them.
    bool overLimit = false;
    QByteArray bytes;
    // "Cannot read "<path>": <the system's reason>" when !ok.
    QString error;
};

// Reads the regular file `path` (a folder, a FIFO or a device is refused at once, never waited
// on), never more than `limit` + 1 bytes.
ReadResult readFile(const QString &path, qint64 limit);

} // namespace kestrum::textfile
