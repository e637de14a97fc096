// A base for control classes: dispatch by member table, life-cycle plumbing, widget ownership.
#pragma once

#include "control.h"

#include <QPointer>
#include <QWidget>

class QThread;

namespace kestrum::runtime {

// Implements the parts of Control every control class shares: getIdOfName and invoke checked
// against the class's default interface (unknown ids, invoke kinds a member does not accept
// and wrong argument counts are refused; a value is converted to the member's type before it
// reaches putMember), the client site and event sinks (handed to context()), one lock on the
// library's Module for the instance's lifetime, and the widget's ownership.
//
// A derived class makes its widget, hands it to setWidget(), and implements the member
// accessors and the life-cycle calls.
class ControlBase : public Control {
public:
    ControlBase(const ClassInfo &info, Module &module);
    ~ControlBase() override; // deletes the widget if the host has not

    const ClassInfo &classInfo() const override { return m_info; }
    QWidget *widget() const override { return m_widget.data(); }
    Status setClientSite(ClientSite *site) override;
    Status advise(EventSink *sink) override;
    Status unadvise(EventSink *sink) override;

    Status getIdOfName(const QString &name, DispId *id) const override;
    Status invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant *result) override;

protected:
    // The context the site and the event sinks go to: by default the base's own; a control
    // whose widget keeps its own context returns that one.
    virtual ControlContext &context() { return m_context; }

    void setWidget(QWidget *widget) { m_widget = widget; }

    // Reads a property into *value (any type; the caller converts).
    virtual Status getMember(const MemberInfo &member, Variant *value) = 0;
    // Writes a property; `value` already has the member's type (a null Ref for Nothing).
    virtual Status putMember(const MemberInfo &member, InvokeKind kind, const Variant &value) = 0;
    // Calls a method without arguments.
    virtual Status callMember(const MemberInfo &member, Variant *result) = 0;

    // The widget was destroyed (by its parent window). Accessors should then fail.
    bool widgetGone() const { return m_widget.isNull(); }

private:
    const ClassInfo &m_info;
    ModuleLock m_lock;
    ControlContext m_context;
    QPointer<QWidget> m_widget;
    QThread *m_thread; // apartment: every call runs on the creating thread
};

} // namespace kestrum::runtime
