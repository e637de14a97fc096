// The Glimmet control's information box: its fixed title and text, and showing it.
#pragma once

#include "glimmetversion.h"
#include "runtime/messagebox.h"

#include <QString>

namespace Glimmet3 {

inline constexpr char infoTitle[] = "Thank You For Using This Control";

// One empty line, then "GLIMMET", "Easy and User Friendly Lumatrel for VB" and
// "Version:<major>.<minor>.<revision>", separated by CR LF.
inline QString infoText() {
    return QStringLiteral(
               "\r\nGLIMMET\r\nEasy and User Friendly Lumatrel for VB\r\nVersion:%1.%2.%3")
        .arg(versionMajor)
        .arg(versionMinor)
        .arg(versionRevision);
}

// Asks the host to show the box (OK only, no icon, on top of every window) and returns when it
// is closed.
inline void showInfoBox(QWidget *parent) {
    kestrum::runtime::HostMessageBox::Request request;
    request.parent = parent;
    request.text = infoText();
    request.title = QString::fromLatin1(infoTitle);
    request.buttons = kestrum::runtime::HostMessageBox::Buttons::Ok;
    request.icon = kestrum::runtime::HostMessageBox::Icon::None;
    request.systemModal = true;
    kestrum::runtime::HostMessageBox::show(request);
}

} // namespace Glimmet3
