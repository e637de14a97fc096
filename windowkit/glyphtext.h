// Glyph codes where they meet a widget: each byte as its Windows-1252 character.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace kestrum {

// Windows-1252 bytes (or glyph codes) as the characters a widget shows.
QString fromCp1252(QByteArrayView bytes);

} // namespace kestrum
