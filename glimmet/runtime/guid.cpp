// 128-bit identifiers: comparison and text form.
#include "guid.h"

#include <QStringList>

#include <cctype>
#include <cstring>

namespace kestrum::runtime {

bool operator==(const Guid &a, const Guid &b) noexcept {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

QString Guid::toString() const {
    auto hex = [](quint64 v, int width) {
        return QStringLiteral("%1").arg(v, width, 16, QLatin1Char('0')).toUpper();
    };
    QString s = QLatin1Char('{') + hex(data1, 8) + QLatin1Char('-') + hex(data2, 4) +
                QLatin1Char('-') + hex(data3, 4) + QLatin1Char('-') + hex(data4[0], 2) +
                hex(data4[1], 2) + QLatin1Char('-');
    for (int i = 2; i < 8; ++i)
        s += hex(data4[i], 2);
    return s + QLatin1Char('}');
}

std::optional<Guid> Guid::fromString(const QString &text) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('{')) != t.endsWith(QLatin1Char('}')))
        return std::nullopt;
    if (t.startsWith(QLatin1Char('{')))
        t = t.mid(1, t.size() - 2);
    // 8-4-4-4-12
    static constexpr int groups[] = {8, 4, 4, 4, 12};
    const QStringList parts = t.split(QLatin1Char('-'));
    if (parts.size() != 5)
        return std::nullopt;
    for (int i = 0; i < 5; ++i) {
        if (parts[i].size() != groups[i])
            return std::nullopt;
        for (QChar c : parts[i]) {
            if (!std::isxdigit(static_cast<unsigned char>(c.toLatin1())) || c.unicode() > 0x7F)
                return std::nullopt;
        }
    }
    Guid g{};
    g.data1 = parts[0].toUInt(nullptr, 16);
    g.data2 = static_cast<std::uint16_t>(parts[1].toUInt(nullptr, 16));
    g.data3 = static_cast<std::uint16_t>(parts[2].toUInt(nullptr, 16));
    const QString rest = parts[3] + parts[4];
    for (int i = 0; i < 8; ++i)
        g.data4[i] = static_cast<std::uint8_t>(rest.mid(i * 2, 2).toUInt(nullptr, 16));
    return g;
}

} // namespace kestrum::runtime
