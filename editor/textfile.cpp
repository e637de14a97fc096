#include "textfile.h"

#include "cp1252.h"

namespace kestrum::textfile {

namespace {

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

} // namespace

Encoded encode(const QString &text) {
    Encoded file;
    file.bytes.reserve(text.size() + 2);
    for (const char32_t c : text.toStdU32String()) {
        const std::optional<unsigned char> byte = unicodeToCp1252(c);
        if (!byte) {
            file.bytes = QByteArray(Utf8Bom) + text.toUtf8();
            file.utf8 = true;
            break;
        }
        file.bytes.append(char(*byte));
    }
    file.bytes.append("\r\n");
    return file;
}

QString fromCp1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes)
        text.append(QChar(char16_t(cp1252ToUnicode(static_cast<unsigned char>(c)))));
    return text;
}

QString decode(const QByteArray &bytes) {
    QByteArrayView body(bytes);
    if (body.endsWith("\r\n"))
        body.chop(2);
    else if (body.endsWith('\n'))
        body.chop(1);
    if (body.startsWith(Utf8Bom))
        return QString::fromUtf8(body.sliced(3));
    return fromCp1252(body);
}

} // namespace kestrum::textfile
