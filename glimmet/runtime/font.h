// Shared font objects: one font seen by every holder of a reference to it.
#pragma once

#include "object.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>

namespace kestrum::runtime {

// A font shared by reference (Ref<Font>): a change made through one reference shows through
// every other, and the listeners registered on the object are told after each change.
// Not thread-safe: fonts live on the user-interface thread.
class Font : public Object {
public:
    Font();
    explicit Font(const QFont &font);

    QString name() const;
    void setName(const QString &name);
    // Size in points (may be fractional, e.g. 8.25).
    double size() const;
    void setSize(double points);
    bool bold() const;
    void setBold(bool bold); // also sets Weight to 700 / 400
    bool italic() const;
    void setItalic(bool italic);
    bool underline() const;
    void setUnderline(bool underline);
    bool strikethrough() const;
    void setStrikethrough(bool strikethrough);
    // Weight on the 100..900 scale (400 normal, 700 bold); Bold is Weight >= 600.
    std::int16_t weight() const;
    void setWeight(std::int16_t weight);
    // Character set number (0 Western, 2 Symbol, 1 default); kept for round trips only.
    std::int16_t charset() const { return m_charset; }
    void setCharset(std::int16_t charset);

    QFont toQFont() const { return m_font; }
    // Replaces every attribute at once (one notification).
    void assign(const QFont &font);

    // A new, separate font with the same attributes.
    Ref<Font> clone() const;
    // Same attributes (name compared case-insensitively).
    bool sameAs(const Font &other) const;

    // Listeners are called after every change; the id removes the listener again.
    int addListener(std::function<void()> listener);
    void removeListener(int id);

private:
    void changed();

    QFont m_font;
    std::int16_t m_charset = 0;
    int m_nextListener = 1;
    std::map<int, std::function<void()>> m_listeners;
};

// QFont weights (1..1000, 400 normal) and font-object weights (100..900) are the same scale.
} // namespace kestrum::runtime
