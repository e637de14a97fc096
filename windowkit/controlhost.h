// A control created by programmatic identifier through the component loader and placed on a
// window: its site, its widget and its events. The windows meet the Glimmet button only here:
// createGlimmet and the typed members below know its identifiers, the windows do not.
#pragma once

#include "runtime/loader.h"
#include "runtime/variant.h"

#include <QFont>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QWidget;

namespace kestrum {

struct GlimmetLook;

// The programmatic identifier the Glimmet button is registered and created by.
QString glimmetProgId();

class HostedControl : public runtime::EventSink {
public:
    // Creates the control `progId` named `name` on `parent` and restores it from `design`
    // (its read-properties). Null on failure, with the reason in *error.
    static std::unique_ptr<HostedControl> create(runtime::ComponentLoader &loader,
                                                 const QString &progId, const QString &name,
                                                 const runtime::PropertyBag &design,
                                                 QWidget *parent, QString *error);
    // A Glimmet button named `name` on `parent` that looks like `look` (design.h).
    static std::unique_ptr<HostedControl> createGlimmet(runtime::ComponentLoader &loader,
                                                        const QString &name,
                                                        const GlimmetLook &look, QWidget *parent,
                                                        QString *error);
    ~HostedControl() override;
    HostedControl(const HostedControl &) = delete;
    HostedControl &operator=(const HostedControl &) = delete;

    QWidget *widget() const;
    runtime::Control *control() const { return m_control.get(); }

    // Calls `handler` whenever the control raises the event `id`.
    void onEvent(runtime::DispId id, std::function<void()> handler);

    // A Glimmet's members: its Click event; Font and HighFont (the caption's font, normal and
    // under the pointer); BackColor and HighBackColor; its Caption (empty when it cannot be
    // read). The setters return whether the control took the value.
    void onClick(std::function<void()> handler);
    bool setFont(const QFont &font);
    bool setHighFont(const QFont &font);
    bool setBackColor(runtime::OleColor colour);
    bool setHighBackColor(runtime::OleColor colour);
    std::optional<QString> caption() const;

    runtime::Status onEvent(runtime::DispId id, std::span<runtime::Variant> args) override;

private:
    HostedControl(const QString &name, runtime::Ref<runtime::Font> ambientFont);

    runtime::HostSite m_site;
    runtime::Ref<runtime::Control> m_control;
    std::map<runtime::DispId, std::function<void()>> m_handlers;
};

} // namespace kestrum
