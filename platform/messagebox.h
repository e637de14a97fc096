// Message boxes with fixed texts, titles and button sets, and the seam tests answer them by.
// The requests are those a control hands its host (runtime/messagebox.h): the program shows the
// control's boxes with this one too.
#pragma once

#include "runtime/hookoverride.h"
#include "runtime/messagebox.h"

#include <QString>

#include <functional>

class QWidget;

namespace kestrum {

class MessageBox {
public:
    using Buttons = runtime::HostMessageBox::Buttons;
    using Icon = runtime::HostMessageBox::Icon;
    using Answer = runtime::HostMessageBox::Answer;
    using Request = runtime::HostMessageBox::Request;

    // Answers a request instead of showing a box (tests install one).
    using Hook = std::function<Answer(const Request &)>;

    // Shows the box modally (or asks the installed hook) and returns the button chosen. A box
    // closed without a button (Escape, the window's close) gives Cancel, No for YesNo, Ok for
    // Ok.
    static Answer show(const Request &request);
    static Answer show(QWidget *parent, const QString &text, const QString &title,
                       Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

    // Installs a hook for the life of the object, restoring the previous one afterwards.
    class ScopedHook : public HookOverride<Hook> {
    public:
        explicit ScopedHook(Hook hook);
    };
};

} // namespace kestrum
