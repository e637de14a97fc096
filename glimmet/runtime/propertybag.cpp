// Property bags and their checked, line-per-record file format.
#include "propertybag.h"

#include "fileio.h"
#include "recording.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

#include <cmath>

namespace kestrum::runtime {

namespace {

const QByteArray header = QByteArrayLiteral("KestrumPropertyBag 1");

QByteArray encodeText(const QString &text) {
    return QUrl::toPercentEncoding(text);
}

QString decodeText(const QByteArray &bytes) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

QByteArray checked(const QByteArray &body) {
    return QByteArray::number(qChecksum(body), 16).rightJustified(4, '0') + ' ' + body + '\n';
}

QByteArray encodePicture(const Ref<Picture> &p) {
    if (!p)
        return QByteArrayLiteral("pic none");
    QByteArray data;
    if (p->isMetafile()) {
        data = QByteArray(p->recording().data(), int(p->recording().size()));
    } else {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        p->toImage().save(&buffer, "PNG");
    }
    return "pic " + QByteArray::number(p->type()) + ' ' + QByteArray::number(p->width()) + ' ' +
           QByteArray::number(p->height()) + ' ' + QByteArray::number(p->hotSpot().x()) + ' ' +
           QByteArray::number(p->hotSpot().y()) + ' ' + data.toBase64();
}

QByteArray encodeFont(const Ref<Font> &f) {
    if (!f)
        return QByteArrayLiteral("font none");
    return "font " + encodeText(f->name()) + ' ' + QByteArray::number(f->size(), 'g', 10) + ' ' +
           QByteArray::number(f->weight()) + ' ' + QByteArray::number(int(f->italic())) + ' ' +
           QByteArray::number(int(f->underline())) + ' ' +
           QByteArray::number(int(f->strikethrough())) + ' ' + QByteArray::number(f->charset());
}

QByteArray encodeValue(const Variant &v) {
    switch (v.type()) {
    case VariantType::Empty:
        return QByteArrayLiteral("empty");
    case VariantType::Int16:
        return "i16 " + QByteArray::number(v.int16());
    case VariantType::Int32:
        return "i32 " + QByteArray::number(v.int32());
    case VariantType::Float:
        return "f32 " + QByteArray::number(double(v.toFloat()), 'g', 9);
    case VariantType::Bool:
        return "bool " + QByteArray::number(v.boolean() ? -1 : 0);
    case VariantType::String:
        return "str " + encodeText(v.string());
    case VariantType::Color:
        return "color " + QByteArray::number(v.color().value, 16);
    case VariantType::Picture:
        return encodePicture(v.picture());
    case VariantType::Font:
        return encodeFont(v.font());
    }
    return QByteArrayLiteral("empty");
}

// Numbers that do not survive a save and a load ("nan", "inf") are never written or read.
bool encodable(const Variant &v) {
    if (v.type() == VariantType::Float)
        return std::isfinite(v.toFloat());
    if (v.type() == VariantType::Font && v.font())
        return std::isfinite(v.font()->size());
    return true;
}

// What the pictures of one bag may make us allocate, taken down as they are read.
struct Budget {
    std::int64_t left = PropertyBag::MaxDecodedBytes;
};

bool toInt(const QByteArray &b, qint64 min, qint64 max, qint64 *out) {
    bool ok = false;
    const qint64 v = b.toLongLong(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

// Decodes the fields after the key ("i16 3", "pic 1 ..."). False for anything malformed or
// over a limit; *why may then say what.
bool decodeValue(const QList<QByteArray> &f, Variant *out, Budget &budget, QString *why) {
    if (f.isEmpty())
        return false;
    const QByteArray &type = f[0];
    qint64 n = 0;
    if (type == "empty" && f.size() == 1) {
        *out = Variant();
        return true;
    }
    if (type == "i16" && f.size() == 2 && toInt(f[1], -32768, 32767, &n)) {
        *out = Variant(static_cast<std::int16_t>(n));
        return true;
    }
    if (type == "i32" && f.size() == 2 && toInt(f[1], INT32_MIN, INT32_MAX, &n)) {
        *out = Variant(static_cast<std::int32_t>(n));
        return true;
    }
    if (type == "f32" && f.size() == 2) {
        bool ok = false;
        const float v = f[1].toFloat(&ok);
        if (!ok || !std::isfinite(v))
            return false;
        *out = Variant(v);
        return true;
    }
    if (type == "bool" && f.size() == 2 && (f[1] == "-1" || f[1] == "0")) {
        *out = Variant(Bool16(f[1] == "-1"));
        return true;
    }
    if (type == "str" && f.size() == 2) {
        *out = Variant(decodeText(f[1]));
        return true;
    }
    if (type == "color" && f.size() == 2) {
        bool ok = false;
        const uint v = f[1].toUInt(&ok, 16);
        if (!ok)
            return false;
        *out = Variant(OleColor(v));
        return true;
    }
    if (type == "pic" && f.size() == 2 && f[1] == "none") {
        *out = Variant(Ref<Picture>());
        return true;
    }
    if (type == "pic" && f.size() == 7) {
        qint64 kind = 0, w = 0, h = 0, hx = 0, hy = 0;
        if (!toInt(f[1], 1, 4, &kind) || !toInt(f[2], 1, INT32_MAX, &w) ||
            !toInt(f[3], 1, INT32_MAX, &h) || !toInt(f[4], 0, 65535, &hx) ||
            !toInt(f[5], 0, 65535, &hy))
            return false;
        const auto result =
            QByteArray::fromBase64Encoding(f[6], QByteArray::AbortOnBase64DecodingErrors);
        if (!result)
            return false;
        const QByteArray &decoded = result.decoded;
        // Every picture is checked against the limits before anything is built for it.
        const auto take = [&](QSize pixels, std::int64_t bytes) {
            if (const QString big = pictureSizeProblem(pixels); !big.isEmpty()) {
                *why = big;
                return false;
            }
            bytes += std::int64_t(pixels.width()) * pixels.height() * 4;
            if (bytes > budget.left) {
                *why = QStringLiteral("its pictures would take more than the %1 MiB a property "
                                      "bag may hold")
                           .arg(PropertyBag::MaxDecodedBytes >> 20);
                return false;
            }
            budget.left -= bytes;
            return true;
        };
        Ref<Picture> p;
        if (kind == Picture::Metafile || kind == Picture::EnhMetafile) {
            const QSize pixels(int(std::lround(Picture::himetricToPixels(std::int32_t(w)))),
                               int(std::lround(Picture::himetricToPixels(std::int32_t(h)))));
            std::int64_t inside = 0;
            QString refused;
            if (decoded.isEmpty())
                return false;
            if (!checkRecording(decoded, &refused, &inside)) {
                *why = refused;
                return false;
            }
            if (!take(pixels, decoded.size() + inside))
                return false;
            QPicture recording;
            recording.setData(decoded.constData(), uint(decoded.size()));
            if (recording.isNull())
                return false;
            p = Picture::fromRecording(recording, QSize(int(w), int(h)),
                                       static_cast<Picture::Type>(kind));
        } else {
            QBuffer buffer;
            buffer.setData(decoded);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer, "PNG");
            const QSize size = reader.size();
            if (!size.isValid() || !take(size, 0))
                return false;
            QImage image = reader.read();
            if (image.isNull() || image.size() != size)
                return false;
            p = kind == Picture::Icon ? Picture::fromIcon(image, QPoint(int(hx), int(hy)))
                                      : Picture::fromImage(image);
        }
        if (!p)
            return false;
        *out = Variant(p);
        return true;
    }
    if (type == "font" && f.size() == 2 && f[1] == "none") {
        *out = Variant(Ref<Font>());
        return true;
    }
    if (type == "font" && f.size() == 8) {
        bool ok = false;
        const double size = f[2].toDouble(&ok);
        qint64 weight = 0, italic = 0, underline = 0, strike = 0, charset = 0;
        if (!ok || !std::isfinite(size) || size <= 0 || size > 2048 ||
            !toInt(f[3], 1, 1000, &weight) || !toInt(f[4], 0, 1, &italic) ||
            !toInt(f[5], 0, 1, &underline) || !toInt(f[6], 0, 1, &strike) ||
            !toInt(f[7], 0, 255, &charset))
            return false;
        QFont qf;
        qf.setFamily(decodeText(f[1]));
        qf.setPointSizeF(size);
        qf.setWeight(static_cast<QFont::Weight>(weight));
        qf.setItalic(italic != 0);
        qf.setUnderline(underline != 0);
        qf.setStrikeOut(strike != 0);
        Ref<Font> font = makeRef<Font>(qf);
        font->setCharset(static_cast<std::int16_t>(charset));
        *out = Variant(font);
        return true;
    }
    return false;
}

} // namespace

Variant PropertyBag::readProperty(const QString &key, const Variant &defaultValue) const {
    const auto it = m_values.find(key);
    if (it == m_values.end())
        return defaultValue;
    if (defaultValue.isEmpty() || it->second.type() == defaultValue.type())
        return it->second;
    Variant converted;
    if (succeeded(it->second.convert(defaultValue.type(), &converted)))
        return converted;
    return defaultValue;
}

Status PropertyBag::writeProperty(const QString &key, const Variant &value,
                                  const Variant &defaultValue) {
    if (!encodable(value)) {
        m_values.erase(key);
        return StatusInvalidArg;
    }
    if (Variant::sameValue(value, defaultValue))
        m_values.erase(key);
    else
        m_values[key] = value;
    return StatusOk;
}

QStringList PropertyBag::keys() const {
    QStringList keys;
    for (const auto &[key, value] : m_values)
        keys.append(key);
    return keys;
}

QByteArray PropertyBag::toBytes(QStringList *left) const {
    QByteArray out = header + '\n';
    qulonglong records = 0;
    for (const auto &[key, value] : m_values) {
        // A shared font may have changed since it was written.
        if (!encodable(value)) {
            if (left)
                *left << key;
            continue;
        }
        out += checked(encodeText(key) + ' ' + encodeValue(value));
        ++records;
    }
    out += checked("#end " + QByteArray::number(records));
    return out;
}

Status PropertyBag::fromBytes(const QByteArray &bytes, QString *error) {
    m_values.clear();
    QStringList problems;
    Budget budget;
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != header) {
        if (error)
            *error = QStringLiteral("not a property bag (bad first line)");
        return StatusInvalidData;
    }
    int records = 0;
    bool ended = false;
    for (int i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const int lineNo = i + 1;
        if (ended) {
            problems << QStringLiteral("line %1: data after the end record").arg(lineNo);
            break;
        }
        const int space = line.indexOf(' ');
        const QByteArray body = space > 0 ? line.mid(space + 1) : QByteArray();
        bool ok = false;
        const uint crc = space > 0 ? line.left(space).toUInt(&ok, 16) : 0;
        if (!ok || crc != qChecksum(body)) {
            problems << QStringLiteral("line %1: damaged record").arg(lineNo);
            continue;
        }
        const QList<QByteArray> fields = body.split(' ');
        if (fields.size() == 2 && fields[0] == "#end") {
            ended = true;
            if (fields[1].toInt() != records)
                problems << QStringLiteral("line %1: %2 records expected, %3 read")
                                .arg(lineNo)
                                .arg(fields[1].toInt())
                                .arg(records);
            continue;
        }
        ++records; // read whole, whether its value is taken or refused
        Variant value;
        QString why;
        if (fields.size() < 2 || !decodeValue(fields.mid(1), &value, budget, &why)) {
            problems << (why.isEmpty() ? QStringLiteral("line %1: unreadable value").arg(lineNo)
                                       : QStringLiteral("line %1: %2 refused: %3")
                                             .arg(lineNo)
                                             .arg(decodeText(fields[0]), why));
            continue;
        }
        m_values[decodeText(fields[0])] = value;
    }
    if (!ended)
        problems << QStringLiteral("the data ends before its end record (cut short)");
    if (problems.isEmpty())
        return StatusOk;
    if (error)
        *error = problems.join(QStringLiteral("; "));
    return StatusInvalidData;
}

Status PropertyBag::save(const QString &path, QString *error) const {
    QStringList left;
    const QByteArray bytes = toBytes(&left);
    std::string reason;
    if (!fileio::writeFileAtomically(QFile::encodeName(path).toStdString(),
                                     std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                     &reason)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(reason));
        return StatusWriteFault;
    }
    if (!left.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1: not saved, not a finite number: %2")
                         .arg(path, left.join(QStringLiteral(", ")));
        return StatusInvalidData;
    }
    return StatusOk;
}

Status PropertyBag::load(const QString &path, QString *error) {
    m_values.clear();
    if (!QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("%1: no such file").arg(path);
        return StatusFileNotFound;
    }
    // A regular file only, and never more of it than a bag may hold.
    const fileio::ReadResult read =
        fileio::readFile(QFile::encodeName(path).toStdString(), std::size_t(MaxFileBytes));
    if (!read.ok) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(read.reason));
        return StatusReadFault;
    }
    if (read.overLimit) {
        if (error)
            *error = QStringLiteral("%1: larger than the %2 MiB a property bag may be")
                         .arg(path)
                         .arg(MaxFileBytes >> 20);
        return StatusInvalidData;
    }
    QString problem;
    const Status s = fromBytes(QByteArray::fromStdString(read.bytes), &problem);
    if (failed(s) && error)
        *error = QStringLiteral("%1: %2").arg(path, problem);
    return s;
}

} // namespace kestrum::runtime
