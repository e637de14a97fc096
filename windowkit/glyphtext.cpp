#include "glyphtext.h"

#include "cp1252.h"

namespace kestrum {

QString fromCp1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes)
        text.append(QChar(char16_t(cp1252ToUnicode(static_cast<unsigned char>(c)))));
    return text;
}

} // namespace kestrum
