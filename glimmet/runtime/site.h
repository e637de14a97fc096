// What a control sees of its host: ambient properties, extender, change notification, events.
#pragma once

#include "dispatch.h"
#include "font.h"
#include "status.h"
#include "variant.h"

#include <QString>

#include <span>
#include <vector>

namespace kestrum::runtime {

// Standard ambient-property ids.
inline constexpr DispId AmbientFont = -703;
inline constexpr DispId AmbientUserMode = -709;

// Implemented by the host for each control it places. Every call may fail (the host returns
// a failure status); a control passes such a failure on to its own caller.
class ClientSite {
public:
    virtual ~ClientSite() = default;
    // An ambient property by id (AmbientUserMode as Bool, AmbientFont as Font).
    // StatusMemberNotFound when the host has no such ambient.
    virtual Status ambientProperty(DispId id, Variant *value) = 0;
    // A property the host keeps for the control (e.g. "Name").
    virtual Status extenderProperty(const QString &name, Variant *value) = 0;
    // A persisted property of the control changed; `key` is its persistence key.
    virtual Status propertyChanged(const QString &key) = 0;
};

// The control's side of hosting: the one object through which a control reaches its site and
// raises events. Without a site it answers as a run-mode host with the application font and
// an empty name would, so a control also works outside a host (in unit tests, for example).
class ControlContext {
public:
    ControlContext() = default;
    ControlContext(const ControlContext &) = delete;
    ControlContext &operator=(const ControlContext &) = delete;

    void setSite(ClientSite *site) { m_site = site; }
    ClientSite *site() const { return m_site; }

    // Ambient UserMode: true at run time, false in a designer. A host without this ambient
    // counts as run time.
    Status userMode(bool *userMode) const;
    // The ambient font (a reference to the host's font object). A host without it gives a new
    // font object made from the application font.
    Status ambientFont(Ref<Font> *font) const;
    // The extender "Name" (the instance name); empty when the host has none.
    Status extenderName(QString *name) const;
    // Tells the host the property stored under `key` changed. StatusOk without a site.
    Status propertyChanged(const QString &key) const;

    // Event sinks. A sink stays registered until removed; the context does not own it.
    void addSink(EventSink *sink);
    void removeSink(EventSink *sink);
    // Calls every sink in registration order with the same arguments (by reference), so a
    // later sink sees what an earlier one wrote. Returns StatusOk.
    Status raiseEvent(DispId id, std::span<Variant> args = {});

private:
    ClientSite *m_site = nullptr;
    std::vector<EventSink *> m_sinks;
};

} // namespace kestrum::runtime
