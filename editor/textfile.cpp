#include "textfile.h"

#include "cp1252.h"
#include "fileio.h"
#include "unicodetext.h"

#include <QFile>

namespace kestrum::textfile {

namespace {

constexpr char16_t Replacement = 0xFFFD;

// UTF-8 to UTF-16 by the lenient decoder: each ill-formed sequence read as U+FFFD and counted.
// Unlike QString::fromUtf8 it keeps a leading U+FEFF.
QString fromUtf8(std::string_view bytes, int *replaced) {
    const sutonnymj::Utf8Text decoded = sutonnymj::decodeUtf8(bytes, sutonnymj::Utf8Mode::Lenient);
    if (replaced)
        *replaced += int(decoded.replaced);
    QString text;
    text.reserve(qsizetype(decoded.text.size()));
    for (const char32_t c : decoded.text) {
        if (c >= 0x10000) {
            text.append(QChar::highSurrogate(c));
            text.append(QChar::lowSurrogate(c));
        } else {
            text.append(QChar(char16_t(c)));
        }
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
    if (!file.utf8 && file.bytes.startsWith(QByteArrayView(sutonnymj::kUtf8Bom))) {
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
        file.bytes = QByteArray(sutonnymj::kUtf8Bom.data(), qsizetype(sutonnymj::kUtf8Bom.size())) +
                     clean.toUtf8();
    }
    file.bytes.append("\r\n");
    return file;
}

QString decode(const QByteArray &bytes, int *replaced) {
    if (replaced)
        *replaced = 0;
    const std::string_view body =
        sutonnymj::withoutFinalLineBreak(std::string_view(bytes.data(), std::size_t(bytes.size())));
    if (body.starts_with(sutonnymj::kUtf8Bom))
        return fromUtf8(sutonnymj::withoutUtf8Bom(body), replaced);
    return fromCp1252(QByteArrayView(body.data(), qsizetype(body.size())));
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
