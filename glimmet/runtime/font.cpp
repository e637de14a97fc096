// Shared fonts: attributes and change notification.
#include "font.h"
#include "units.h"

#include <QGuiApplication>

#include <algorithm>
#include <vector>

namespace kestrum::runtime {

Font::Font() : m_font(QGuiApplication::font()) {}

Font::Font(const QFont &font) : m_font(font) {}

QString Font::name() const {
    return m_font.family();
}

void Font::setName(const QString &name) {
    m_font.setFamily(name);
    changed();
}

double Font::size() const {
    const double pt = m_font.pointSizeF();
    return pt > 0 ? pt : units::pixelsToPoints(m_font.pixelSize());
}

void Font::setSize(double points) {
    if (points > 0)
        m_font.setPointSizeF(points);
    changed();
}

bool Font::bold() const {
    return m_font.weight() >= QFont::DemiBold;
}

void Font::setBold(bool bold) {
    m_font.setWeight(bold ? QFont::Bold : QFont::Normal);
    changed();
}

bool Font::italic() const {
    return m_font.italic();
}

void Font::setItalic(bool italic) {
    m_font.setItalic(italic);
    changed();
}

bool Font::underline() const {
    return m_font.underline();
}

void Font::setUnderline(bool underline) {
    m_font.setUnderline(underline);
    changed();
}

bool Font::strikethrough() const {
    return m_font.strikeOut();
}

void Font::setStrikethrough(bool strikethrough) {
    m_font.setStrikeOut(strikethrough);
    changed();
}

std::int16_t Font::weight() const {
    return static_cast<std::int16_t>(m_font.weight());
}

void Font::setWeight(std::int16_t weight) {
    m_font.setWeight(static_cast<QFont::Weight>(std::clamp<int>(weight, 1, 1000)));
    changed();
}

void Font::setCharset(std::int16_t charset) {
    m_charset = charset;
    changed();
}

void Font::assign(const QFont &font) {
    m_font = font;
    changed();
}

Ref<Font> Font::clone() const {
    Ref<Font> copy(new Font(m_font));
    copy->m_charset = m_charset;
    return copy;
}

bool Font::sameAs(const Font &other) const {
    return name().compare(other.name(), Qt::CaseInsensitive) == 0 &&
           qFuzzyCompare(size(), other.size()) && weight() == other.weight() &&
           italic() == other.italic() && underline() == other.underline() &&
           strikethrough() == other.strikethrough() && charset() == other.charset();
}

int Font::addListener(std::function<void()> listener) {
    const int id = m_nextListener++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void Font::removeListener(int id) {
    m_listeners.erase(id);
}

void Font::changed() {
    // A listener may remove itself (or others) while being told; call a snapshot.
    std::vector<std::function<void()>> listeners;
    listeners.reserve(m_listeners.size());
    for (const auto &[id, listener] : m_listeners)
        listeners.push_back(listener);
    for (const auto &listener : listeners)
        listener();
}

} // namespace kestrum::runtime
