// Variant values and their automation-style conversions.
#include "variant.h"

#include <cmath>
#include <limits>

namespace kestrum::runtime {

namespace {

// A value seen as a number, for the numeric conversions. Strings are parsed (C locale, with
// "&H" hexadecimal accepted as well as decimal); objects are not numbers.
Status asNumber(const Variant &v, double *out) {
    switch (v.type()) {
    case VariantType::Empty:
        *out = 0;
        return StatusOk;
    case VariantType::Int16:
        *out = v.int16();
        return StatusOk;
    case VariantType::Int32:
        *out = v.int32();
        return StatusOk;
    case VariantType::Float:
        *out = v.toFloat();
        return StatusOk;
    case VariantType::Bool:
        *out = v.boolean() ? -1 : 0;
        return StatusOk;
    case VariantType::Color:
        *out = static_cast<std::int32_t>(v.color().value);
        return StatusOk;
    case VariantType::String: {
        const QString s = v.string().trimmed();
        bool ok = false;
        if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
            const quint32 u = s.mid(2).toUInt(&ok, 16);
            *out = static_cast<std::int32_t>(u);
        } else if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
            *out = -1;
            ok = true;
        } else if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
            *out = 0;
            ok = true;
        } else {
            *out = s.toDouble(&ok);
            ok = ok && std::isfinite(*out);
        }
        return ok ? StatusOk : StatusTypeMismatch;
    }
    case VariantType::Picture:
    case VariantType::Font:
        break;
    }
    return StatusTypeMismatch;
}

template <class Int> Status toInteger(const Variant &v, Int *out) {
    double d = 0;
    if (const Status s = asNumber(v, &d); failed(s))
        return s;
    d = std::nearbyint(d); // halves to even, like automation
    if (d < double(std::numeric_limits<Int>::min()) || d > double(std::numeric_limits<Int>::max()))
        return StatusOverflow;
    *out = static_cast<Int>(d);
    return StatusOk;
}

} // namespace

VariantType Variant::type() const {
    switch (m_v.index()) {
    case 1:
        return VariantType::Int16;
    case 2:
        return VariantType::Int32;
    case 3:
        return VariantType::Float;
    case 4:
        return VariantType::String;
    case 5:
        return VariantType::Bool;
    case 6:
        return VariantType::Color;
    case 7:
        return VariantType::Picture;
    case 8:
        return VariantType::Font;
    default:
        return VariantType::Empty;
    }
}

bool Variant::isNothing() const {
    if (isEmpty())
        return true;
    if (auto p = std::get_if<Ref<Picture>>(&m_v))
        return !*p;
    if (auto f = std::get_if<Ref<Font>>(&m_v))
        return !*f;
    return false;
}

Status Variant::toInt16(std::int16_t *out) const {
    if (auto p = std::get_if<std::int16_t>(&m_v))
        return *out = *p, StatusOk;
    return toInteger(*this, out);
}

Status Variant::toInt32(std::int32_t *out) const {
    if (auto p = std::get_if<std::int32_t>(&m_v))
        return *out = *p, StatusOk;
    if (auto c = std::get_if<OleColor>(&m_v))
        return *out = static_cast<std::int32_t>(c->value), StatusOk;
    return toInteger(*this, out);
}

Status Variant::toFloat(float *out) const {
    if (auto p = std::get_if<float>(&m_v))
        return *out = *p, StatusOk;
    double d = 0;
    if (const Status s = asNumber(*this, &d); failed(s))
        return s;
    if (std::fabs(d) > double(std::numeric_limits<float>::max()))
        return StatusOverflow;
    *out = static_cast<float>(d);
    return StatusOk;
}

Status Variant::toBool(Bool16 *out) const {
    double d = 0;
    if (const Status s = asNumber(*this, &d); failed(s))
        return s;
    *out = Bool16(d != 0);
    return StatusOk;
}

Status Variant::toString(QString *out) const {
    switch (type()) {
    case VariantType::Empty:
        out->clear();
        return StatusOk;
    case VariantType::String:
        *out = std::get<QString>(m_v);
        return StatusOk;
    case VariantType::Int16:
        *out = QString::number(int16());
        return StatusOk;
    case VariantType::Int32:
        *out = QString::number(int32());
        return StatusOk;
    case VariantType::Float:
        *out = QString::number(double(std::get<float>(m_v)), 'g', 7);
        return StatusOk;
    case VariantType::Bool:
        *out = boolean() ? QStringLiteral("True") : QStringLiteral("False");
        return StatusOk;
    case VariantType::Color:
        *out = QString::number(std::get<OleColor>(m_v).value);
        return StatusOk;
    case VariantType::Picture:
    case VariantType::Font:
        break;
    }
    return StatusTypeMismatch;
}

Status Variant::toColor(OleColor *out) const {
    if (auto c = std::get_if<OleColor>(&m_v))
        return *out = *c, StatusOk;
    if (type() == VariantType::String) {
        // A colour written as an unsigned number ("2147483663") reads back.
        bool ok = false;
        const quint32 u = string().trimmed().toUInt(&ok);
        if (ok)
            return *out = OleColor(u), StatusOk;
    }
    if (type() == VariantType::Float) {
        double d = std::nearbyint(double(std::get<float>(m_v)));
        if (d < double(std::numeric_limits<std::int32_t>::min()) ||
            d > double(std::numeric_limits<std::uint32_t>::max()))
            return StatusOverflow;
        *out = OleColor(d < 0 ? static_cast<std::uint32_t>(static_cast<std::int32_t>(d))
                              : static_cast<std::uint32_t>(d));
        return StatusOk;
    }
    std::int32_t i = 0;
    if (const Status s = toInteger(*this, &i); failed(s))
        return s;
    *out = OleColor(static_cast<std::uint32_t>(i));
    return StatusOk;
}

Status Variant::toPicture(Ref<Picture> *out) const {
    if (isEmpty())
        return out->reset(), StatusOk;
    if (auto p = std::get_if<Ref<Picture>>(&m_v))
        return *out = *p, StatusOk;
    return StatusTypeMismatch;
}

Status Variant::toFont(Ref<Font> *out) const {
    if (isEmpty())
        return out->reset(), StatusOk;
    if (auto f = std::get_if<Ref<Font>>(&m_v))
        return *out = *f, StatusOk;
    return StatusTypeMismatch;
}

namespace {

// The value that a to* member gives, or the type's default where it fails.
template <class T> T valueOr(const Variant &from, Status (Variant::*to)(T *) const) {
    T v{};
    return succeeded((from.*to)(&v)) ? v : T{};
}

} // namespace

std::int16_t Variant::int16() const {
    return valueOr<std::int16_t>(*this, &Variant::toInt16);
}

std::int32_t Variant::int32() const {
    return valueOr<std::int32_t>(*this, &Variant::toInt32);
}

float Variant::toFloat() const {
    return valueOr<float>(*this, &Variant::toFloat);
}

bool Variant::boolean() const {
    if (auto b = std::get_if<Bool16>(&m_v))
        return bool(*b);
    Bool16 v;
    return succeeded(toBool(&v)) && bool(v);
}

QString Variant::string() const {
    return valueOr<QString>(*this, &Variant::toString);
}

OleColor Variant::color() const {
    return valueOr<OleColor>(*this, &Variant::toColor);
}

Ref<Picture> Variant::picture() const {
    return valueOr<Ref<Picture>>(*this, &Variant::toPicture);
}

Ref<Font> Variant::font() const {
    return valueOr<Ref<Font>>(*this, &Variant::toFont);
}

bool operator==(const Variant &a, const Variant &b) {
    if (a.m_v.index() != b.m_v.index())
        return false;
    if (auto fa = std::get_if<Ref<Font>>(&a.m_v)) {
        const Ref<Font> &fb = std::get<Ref<Font>>(b.m_v);
        if (*fa == fb)
            return true;
        return *fa && fb && (*fa)->sameAs(*fb);
    }
    return a.m_v == b.m_v;
}

QString Variant::debugString() const {
    switch (type()) {
    case VariantType::Empty:
        return QStringLiteral("Empty");
    case VariantType::Int16:
        return QStringLiteral("Int16(%1)").arg(int16());
    case VariantType::Int32:
        return QStringLiteral("Int32(%1)").arg(int32());
    case VariantType::Float:
        return QStringLiteral("Float(%1)").arg(double(std::get<float>(m_v)));
    case VariantType::Bool:
        return QStringLiteral("Bool(%1)").arg(std::get<Bool16>(m_v).value);
    case VariantType::String:
        return QStringLiteral("String(\"%1\")").arg(string());
    case VariantType::Color:
        return QStringLiteral("Color(0x%1)").arg(color().value, 8, 16, QLatin1Char('0'));
    case VariantType::Picture: {
        const Ref<Picture> p = picture();
        return p ? QStringLiteral("Picture(type %1, %2x%3)")
                       .arg(p->type())
                       .arg(p->width())
                       .arg(p->height())
                 : QStringLiteral("Picture(Nothing)");
    }
    case VariantType::Font: {
        const Ref<Font> f = font();
        return f ? QStringLiteral("Font(%1, %2)").arg(f->name()).arg(f->size())
                 : QStringLiteral("Font(Nothing)");
    }
    }
    return {};
}

} // namespace kestrum::runtime

namespace kestrum::runtime {

namespace {

// Converts `from` with one of its to* members and, on success, stores the result in `out`.
template <class T>
Status convertWith(const Variant &from, Status (Variant::*to)(T *) const, Variant *out) {
    T v{};
    const Status s = (from.*to)(&v);
    if (succeeded(s))
        *out = Variant(v);
    return s;
}

} // namespace

Status Variant::convert(VariantType type, Variant *out) const {
    switch (type) {
    case VariantType::Empty:
        *out = Variant();
        return StatusOk;
    case VariantType::Int16:
        return convertWith(*this, &Variant::toInt16, out);
    case VariantType::Int32:
        return convertWith(*this, &Variant::toInt32, out);
    case VariantType::Float:
        return convertWith(*this, &Variant::toFloat, out);
    case VariantType::Bool:
        return convertWith(*this, &Variant::toBool, out);
    case VariantType::String:
        return convertWith(*this, &Variant::toString, out);
    case VariantType::Color:
        return convertWith(*this, &Variant::toColor, out);
    case VariantType::Picture:
        return convertWith(*this, &Variant::toPicture, out);
    case VariantType::Font:
        return convertWith(*this, &Variant::toFont, out);
    }
    return StatusTypeMismatch;
}

bool Variant::sameValue(const Variant &a, const Variant &b) {
    const bool aObject = a.type() == VariantType::Picture || a.type() == VariantType::Font;
    const bool bObject = b.type() == VariantType::Picture || b.type() == VariantType::Font;
    if ((aObject || a.isEmpty()) && (bObject || b.isEmpty()) && a.isNothing() && b.isNothing())
        return true;
    if (a.type() == b.type())
        return a == b;
    if (a.isEmpty() || b.isEmpty())
        return false;
    Variant converted;
    return succeeded(b.convert(a.type(), &converted)) && a == converted;
}

} // namespace kestrum::runtime
