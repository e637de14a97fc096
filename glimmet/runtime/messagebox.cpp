// The host's message-box handler.
#include "runtime/messagebox.h"

namespace kestrum::runtime {

namespace {

HostMessageBox::Hook &installedHook() {
    static HostMessageBox::Hook hook;
    return hook;
}

} // namespace

HostMessageBox::Answer HostMessageBox::unanswered(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

HostMessageBox::Answer HostMessageBox::show(const Request &request) {
    if (const Hook &hook = installedHook())
        return hook(request);
    return unanswered(request.buttons);
}

HostMessageBox::Request HostMessageBox::request(QWidget *parent, const QString &text,
                                                const QString &title, Buttons buttons, Icon icon) {
    Request request;
    request.parent = parent;
    request.text = text;
    request.title = title;
    request.buttons = buttons;
    request.icon = icon;
    return request;
}

HostMessageBox::Answer HostMessageBox::show(QWidget *parent, const QString &text,
                                            const QString &title, Buttons buttons, Icon icon) {
    return show(request(parent, text, title, buttons, icon));
}

HostMessageBox::ScopedHook::ScopedHook(Hook hook)
    : HookOverride<Hook>(installedHook(), std::move(hook)) {}

} // namespace kestrum::runtime
