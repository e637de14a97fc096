// 128-bit class and interface identifiers.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kestrum::runtime {

// A globally unique identifier, laid out as a plain C struct so it can cross the library's
// C exports. Text form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex).
struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];

    friend bool operator==(const Guid &a, const Guid &b) noexcept;

    QString toString() const;
    // Accepts the text form with or without braces, any case; nullopt for anything else.
    static std::optional<Guid> fromString(const QString &text);
};

} // namespace kestrum::runtime
