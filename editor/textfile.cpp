#include "textfile.h"

#include "cp1252.h"
#include "fileio.h"

#include <QFile>

namespace kestrum::textfile {

namespace {

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";
constexpr char16_t Replacement = 0xFFFD;

// UTF-8 to UTF-16, each ill-formed sequence (the longest start of a valid one, or one byte)
// read as U+FFFD and counted. Unlike QString::fromUtf8 it keeps a leading U+FEFF.
QString fromUtf8(QByteArrayView bytes, int *replaced) {
    QString text;
    text.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            text.append(QChar(char16_t(b)));
            ++i;
            continue;
        }
        int length = 0;
        char32_t c = 0;
        unsigned char low = 0x80, high = 0xBF; // the range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            c = b & 0x0F;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            c = b & 0x07;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        }
        int taken = 1;
        while (length > 0 && taken < length && i + taken < n) {
            const unsigned char next = p[i + taken];
            if (next < (taken == 1 ? low : 0x80) || next > (taken == 1 ? high : 0xBF))
                break;
            c = (c << 6) | (next & 0x3F);
            ++taken;
        }
        if (length == 0 || taken < length) {
            text.append(QChar(Replacement));
            if (replaced)
                ++*replaced;
        } else if (c >= 0x10000) {
            text.append(QChar::highSurrogate(c));
            text.append(QChar::lowSurrogate(c));
        } else {
            text.append(QChar(char16_t(c)));
        }
        i += taken;
    }
    return text;
}

} // namespace

Encoded encode(const QString &text) {
    Encoded file;
    file.bytes.reserve(text.size() + 2);
    // Unit by unit: QString::toUcs4 would drop a leading U+FEFF and hide lone surrogates.
    for (const QChar c : text) {
        const std::optional<unsigned char> byte =
            c.isSurrogate() ? std::nullopt : unicodeToCp1252(c.unicode());
        if (!byte) {
            file.utf8 = true;
            break;
        }
        file.bytes.append(char(*byte));
    }
    if (!file.utf8 && file.bytes.startsWith(Utf8Bom)) {
        file.utf8 = true;
        file.utf8ForMark = true;
    }
    if (file.utf8) {
        QString clean = text;
        for (qsizetype i = 0; i < clean.size(); ++i) {
            const QChar c = clean[i];
            if (c.isHighSurrogate() && i + 1 < clean.size() && clean[i + 1].isLowSurrogate()) {
                ++i;
            } else if (c.isSurrogate()) {
                clean[i] = QChar(Replacement);
                ++file.replaced;
            }
        }
        file.bytes = QByteArray(Utf8Bom) + clean.toUtf8();
    }
    file.bytes.append("\r\n");
    return file;
}

QString decode(const QByteArray &bytes, int *replaced) {
    if (replaced)
        *replaced = 0;
    QByteArrayView body(bytes);
    if (body.endsWith("\r\n"))
        body.chop(2);
    else if (body.endsWith('\n'))
        body.chop(1);
    if (body.startsWith(Utf8Bom))
        return fromUtf8(body.sliced(3), replaced);
    return fromCp1252(body);
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error) {
    std::string reason;
    if (fileio::writeFileAtomically(QFile::encodeName(path).toStdString(),
                                    std::string_view(bytes.constData(), size_t(bytes.size())),
                                    &reason))
        return true;
    *error = QStringLiteral("Cannot save \"%1\": %2").arg(path, QString::fromLocal8Bit(reason));
    return false;
}

ReadResult readFile(const QString &path, qint64 limit) {
    ReadResult result;
    fileio::ReadResult read =
        fileio::readFile(QFile::encodeName(path).toStdString(), std::size_t(limit));
    if (!read.ok) {
        result.error =
            QStringLiteral("Cannot read \"%1\": %2").arg(path, QString::fromLocal8Bit(read.reason));
        return result;
    }
    result.ok = true;
    result.overLimit = read.overLimit;
    result.bytes = QByteArray::fromStdString(read.bytes);
    return result;
}

} // namespace kestrum::textfile
