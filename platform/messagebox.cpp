// Message boxes over QMessageBox, answerable by a hook in tests.
#include "messagebox.h"

#include <QMessageBox>

namespace kestrum {

namespace {

// The installed hook. One per process on purpose: the boxes of a control library the program
// shows through this one must be answered by the hook the program's test installed.
MessageBox::Hook &installedHook() {
    static MessageBox::Hook hook;
    return hook;
}

QMessageBox::Icon toQt(MessageBox::Icon icon) {
    switch (icon) {
    case MessageBox::Icon::Critical:
        return QMessageBox::Critical;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    case MessageBox::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBox::Answer MessageBox::show(const Request &request) {
    if (const Hook &hook = installedHook())
        return hook(request);

    QMessageBox box(toQt(request.icon), request.title, request.text, QMessageBox::NoButton,
                    request.parent);
    if (request.systemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    switch (request.buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return runtime::HostMessageBox::unanswered(request.buttons);
    }
}

MessageBox::Answer MessageBox::show(QWidget *parent, const QString &text, const QString &title,
                                    Buttons buttons, Icon icon) {
    return show(runtime::HostMessageBox::request(parent, text, title, buttons, icon));
}

MessageBox::ScopedHook::ScopedHook(Hook hook)
    : HookOverride<Hook>(installedHook(), std::move(hook)) {}

} // namespace kestrum
