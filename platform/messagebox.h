// Message boxes with fixed texts, titles and button sets, and the seam tests answer them by.
#pragma once

#include "hookoverride.h"

#include <QString>

#include <functional>

class QWidget;

namespace kestrum {

class MessageBox {
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
