// The value type of the dispatch interface, events and property bags.
#pragma once

#include "font.h"
#include "picture.h"
#include "status.h"

#include <QString>

#include <cstdint>
#include <variant>

namespace kestrum::runtime {

// A 16-bit Boolean: true is -1, false is 0, wherever it is stored or passed.
struct Bool16 {
    std::int16_t value = 0;
    static constexpr std::int16_t True = -1;
    static constexpr std::int16_t False = 0;
    constexpr Bool16() = default;
    constexpr explicit Bool16(bool b) : value(b ? True : False) {}
    constexpr explicit operator bool() const { return value != 0; }
    friend constexpr bool operator==(Bool16 a, Bool16 b) {
        return (a.value != 0) == (b.value != 0);
    }
};

// A 32-bit OLE colour: 0x00BBGGRR for an explicit colour, 0x80000000 + n for system colour n.
struct OleColor {
    std::uint32_t value = 0;
    constexpr OleColor() = default;
    constexpr explicit OleColor(std::uint32_t v) : value(v) {}
    static constexpr OleColor rgb(int r, int g, int b) {
        return OleColor(std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) |
                        (std::uint32_t(b & 0xFF) << 16));
    }
    constexpr bool isSystem() const { return (value & 0x80000000u) != 0; }
    friend constexpr bool operator==(OleColor a, OleColor b) { return a.value == b.value; }
};

inline constexpr OleColor ButtonFaceColor{0x8000000Fu};

enum class VariantType : std::int16_t {
    Empty = 0,
    Int16 = 2,
    Int32 = 3,
    Float = 4,
    String = 8,
    Bool = 11,
    Color = 0x100, // an OLE colour (carried as a 32-bit integer by real automation)
    Picture = 0x101,
    Font = 0x102,
};

// Holds one value of the types above. Pictures and fonts are held by reference: copying a
// Variant copies the reference, never the object. An empty picture/font is a Picture/Font
// variant holding a null Ref (a "Nothing" of that type); Empty is the absence of any value.
class Variant {
public:
    Variant() = default;
    Variant(std::int16_t v) : m_v(v) {}
    Variant(std::int32_t v) : m_v(v) {}
    Variant(float v) : m_v(v) {}
    Variant(Bool16 v) : m_v(v) {}
    Variant(bool v) : m_v(Bool16(v)) {}
    Variant(const QString &v) : m_v(v) {}
    Variant(const char *v) : m_v(QString::fromUtf8(v)) {}
    Variant(OleColor v) : m_v(v) {}
    Variant(Ref<Picture> v) : m_v(std::move(v)) {}
    Variant(Ref<Font> v) : m_v(std::move(v)) {}

    VariantType type() const;
    bool isEmpty() const { return m_v.index() == 0; }
    // True for Empty and for a picture/font variant holding no object.
    bool isNothing() const;

    // Conversions in the manner of automation coercion. Each returns StatusOk and sets *out,
    // StatusTypeMismatch when the value cannot become that type (a string that is not a number,
    // an object to a number...), or StatusOverflow when a number does not fit. Empty converts
    // to 0, false, "" and a null picture/font.
    Status toInt16(std::int16_t *out) const;
    Status toInt32(std::int32_t *out) const;
    Status toFloat(float *out) const;
    Status toBool(Bool16 *out) const; // any non-zero number is True (-1)
    Status toString(QString *out) const;
    Status toColor(OleColor *out) const; // from any integer type (bit pattern kept)
    Status toPicture(Ref<Picture> *out) const;
    Status toFont(Ref<Font> *out) const;

    // This value as `type` (by the conversions above); Empty converts to the type's zero value.
    Status convert(VariantType type, Variant *out) const;

    // Converting accessors that give a default-constructed value on mismatch.
    std::int16_t int16() const;
    std::int32_t int32() const;
    float toFloat() const;
    bool boolean() const;
    QString string() const;
    OleColor color() const;
    Ref<Picture> picture() const;
    Ref<Font> font() const;

    // Same type and value; pictures by identity, fonts by identity or equal attributes.
    friend bool operator==(const Variant &a, const Variant &b);
    // Equal after converting b to a's type; Empty and a Nothing picture/font are the same.
    static bool sameValue(const Variant &a, const Variant &b);

    // Human-readable form for messages and test output, e.g. "Int16(3)", "String(\"x\")".
    QString debugString() const;

private:
    std::variant<std::monostate, std::int16_t, std::int32_t, float, QString, Bool16, OleColor,
                 Ref<Picture>, Ref<Font>>
        m_v;
};

} // namespace kestrum::runtime
