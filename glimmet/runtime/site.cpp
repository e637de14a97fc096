// The control's view of its host.
#include "site.h"

#include <QGuiApplication>

#include <algorithm>

namespace kestrum::runtime {

Status ControlContext::userMode(bool *userMode) const {
    *userMode = true;
    if (!m_site)
        return StatusOk;
    Variant v;
    const Status s = m_site->ambientProperty(AmbientUserMode, &v);
    if (s == StatusMemberNotFound)
        return StatusOk;
    if (failed(s))
        return s;
    Bool16 b;
    if (const Status c = v.toBool(&b); failed(c))
        return c;
    *userMode = bool(b);
    return StatusOk;
}

Status ControlContext::ambientFont(Ref<Font> *font) const {
    if (m_site) {
        Variant v;
        const Status s = m_site->ambientProperty(AmbientFont, &v);
        if (failed(s) && s != StatusMemberNotFound)
            return s;
        if (succeeded(s)) {
            if (const Status c = v.toFont(font); failed(c))
                return c;
            if (*font)
                return StatusOk;
        }
    }
    *font = makeRef<Font>(QGuiApplication::font());
    return StatusOk;
}

Status ControlContext::extenderName(QString *name) const {
    name->clear();
    if (!m_site)
        return StatusOk;
    Variant v;
    const Status s = m_site->extenderProperty(QStringLiteral("Name"), &v);
    if (s == StatusMemberNotFound)
        return StatusOk;
    if (failed(s))
        return s;
    return v.toString(name);
}

Status ControlContext::propertyChanged(const QString &key) const {
    return m_site ? m_site->propertyChanged(key) : StatusOk;
}

void ControlContext::addSink(EventSink *sink) {
    if (sink && std::find(m_sinks.begin(), m_sinks.end(), sink) == m_sinks.end())
        m_sinks.push_back(sink);
}

void ControlContext::removeSink(EventSink *sink) {
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), sink), m_sinks.end());
}

Status ControlContext::raiseEvent(DispId id, std::span<Variant> args) {
    // A handler may remove its sink (or add one) while running: walk a snapshot.
    const std::vector<EventSink *> sinks = m_sinks;
    for (EventSink *sink : sinks) {
        if (std::find(m_sinks.begin(), m_sinks.end(), sink) != m_sinks.end())
            sink->onEvent(id, args);
    }
    return StatusOk;
}

} // namespace kestrum::runtime
