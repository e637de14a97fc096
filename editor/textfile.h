// The English file: the input area's text as a file of its own, written by Save English File
// and read back by Load.
#pragma once

#include <QByteArray>
#include <QString>

namespace kestrum::textfile {

// Load reads files of at most this many bytes.
constexpr qint64 LoadLimit = 64000;

struct Encoded {
    QByteArray bytes;
    // The text holds characters outside Windows-1252, so it was written as UTF-8 with a
    // byte-order mark instead of losing them.
    bool utf8 = false;
};

// The file for `text` (CR LF line breaks, as the input area gives them): its Windows-1252
// bytes followed by CR LF; UTF-8 with a byte-order mark when Windows-1252 cannot hold it.
Encoded encode(const QString &text);

// Windows-1252 bytes (or glyph codes) as the characters a widget shows.
QString fromCp1252(QByteArrayView bytes);

// The text of a file as Load puts it into the input area: Windows-1252, or UTF-8 when the file
// starts with a UTF-8 byte-order mark; everything kept as it stands (line breaks, commas,
// quotes, blanks) except one final line break (CR LF or LF), the one encode() appends.
QString decode(const QByteArray &bytes);

} // namespace kestrum::textfile
