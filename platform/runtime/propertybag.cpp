// Property bags and their checked, line-per-record file format.
#include "propertybag.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

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

bool toInt(const QByteArray &b, qint64 min, qint64 max, qint64 *out) {
    bool ok = false;
    const qint64 v = b.toLongLong(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

// Decodes the fields after the key ("i16 3", "pic 1 ..."). False for anything malformed.
bool decodeValue(const QList<QByteArray> &f, Variant *out) {
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
        if (!ok)
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
        Ref<Picture> p;
        if (kind == Picture::Metafile || kind == Picture::EnhMetafile) {
            QPicture recording;
            if (decoded.isEmpty())
                return false;
            recording.setData(decoded.constData(), uint(decoded.size()));
            if (recording.isNull())
                return false;
            p = Picture::fromRecording(recording, QSize(int(w), int(h)),
                                       static_cast<Picture::Type>(kind));
        } else {
            QImage image;
            if (!image.loadFromData(decoded, "PNG"))
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
        if (!ok || size <= 0 || size > 2048 || !toInt(f[3], 1, 1000, &weight) ||
            !toInt(f[4], 0, 1, &italic) || !toInt(f[5], 0, 1, &underline) ||
            !toInt(f[6], 0, 1, &strike) || !toInt(f[7], 0, 255, &charset))
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

void PropertyBag::writeProperty(const QString &key, const Variant &value,
                                const Variant &defaultValue) {
    if (Variant::sameValue(value, defaultValue))
        m_values.erase(key);
    else
        m_values[key] = value;
}

QStringList PropertyBag::keys() const {
    QStringList keys;
    for (const auto &[key, value] : m_values)
        keys.append(key);
    return keys;
}

QByteArray PropertyBag::toBytes() const {
    QByteArray out = header + '\n';
    for (const auto &[key, value] : m_values)
        out += checked(encodeText(key) + ' ' + encodeValue(value));
    out += checked("#end " + QByteArray::number(qulonglong(m_values.size())));
    return out;
}

Status PropertyBag::fromBytes(const QByteArray &bytes, QString *error) {
    m_values.clear();
    QStringList problems;
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
        Variant value;
        if (fields.size() < 2 || !decodeValue(fields.mid(1), &value)) {
            problems << QStringLiteral("line %1: unreadable value").arg(lineNo);
            continue;
        }
        m_values[decodeText(fields[0])] = value;
        ++records;
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toBytes()) < 0 || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return StatusWriteFault;
    }
    return StatusOk;
}

Status PropertyBag::load(const QString &path, QString *error) {
    m_values.clear();
    QFile file(path);
    if (!file.exists()) {
        if (error)
            *error = QStringLiteral("%1: no such file").arg(path);
        return StatusFileNotFound;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return StatusReadFault;
    }
    QString problem;
    const Status s = fromBytes(file.readAll(), &problem);
    if (failed(s) && error)
        *error = QStringLiteral("%1: %2").arg(path, problem);
    return s;
}

} // namespace kestrum::runtime
