// A control created by programmatic identifier through the component loader and placed on a
// window: its site, its widget and its events.
#pragma once

#include "runtime/loader.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>

class QWidget;

namespace kestrum {

class HostedControl : public runtime::EventSink {
public:
    // Creates the control `progId` named `name` on `parent` and restores it from `design`
    // (its read-properties). Null on failure, with the reason in *error.
    static std::unique_ptr<HostedControl> create(runtime::ComponentLoader &loader,
                                                 const QString &progId, const QString &name,
                                                 const runtime::PropertyBag &design,
                                                 QWidget *parent, QString *error);
    ~HostedControl() override;
    HostedControl(const HostedControl &) = delete;
    HostedControl &operator=(const HostedControl &) = delete;

    QWidget *widget() const;
    runtime::Control *control() const { return m_control.get(); }

    // Calls `handler` whenever the control raises the event `id`.
    void onEvent(runtime::DispId id, std::function<void()> handler);

    runtime::Status onEvent(runtime::DispId id, std::span<runtime::Variant> args) override;

private:
    HostedControl(const QString &name, runtime::Ref<runtime::Font> ambientFont);

    runtime::HostSite m_site;
    runtime::Ref<runtime::Control> m_control;
    std::map<runtime::DispId, std::function<void()>> m_handlers;
};

} // namespace kestrum
