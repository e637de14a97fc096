// The message boxes a control shows, shown by its host: a control library has no widgets of its
// own beyond itself, so it hands each box (its text, title, buttons and icon) to the handler
// the host installed, and the host shows it in its own way and answers.
#pragma once

#include "runtime/hookoverride.h"

#include <QString>

#include <functional>

class QWidget;

namespace kestrum::runtime {

class HostMessageBox {
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Icon { None, Critical, Question, Exclamation, Information };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Request {
        QWidget *parent = nullptr;
        QString text;
        QString title;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        bool systemModal = false; // application-modal box that stays on top
    };

    // Shows the box and returns the button chosen.
    using Hook = std::function<Answer(const Request &)>;

    // Hands the box to the host's handler and returns its answer. Without a handler no box is
    // shown, and the answer is that of a box closed without a button: Cancel, No for YesNo, Ok
    // for Ok.
    static Answer show(const Request &request);
    static Answer show(QWidget *parent, const QString &text, const QString &title,
                       Buttons buttons = Buttons::Ok, Icon icon = Icon::None);
    // The request for a box that is not system-modal.
    static Request request(QWidget *parent, const QString &text, const QString &title,
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::None);
    // The answer of a box closed without a button (Escape, the window's close).
    static Answer unanswered(Buttons buttons);

    // Installs the host's handler (one for the process: every control library it loads uses
    // it) for the life of the object, restoring the previous one afterwards.
    class ScopedHook : public HookOverride<Hook> {
    public:
        explicit ScopedHook(Hook hook);
    };
};

} // namespace kestrum::runtime
