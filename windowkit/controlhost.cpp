#include "controlhost.h"

#include "control/glimmetlib.h"
#include "design.h"
#include "runtime/font.h"

#include <QWidget>

namespace kestrum {

using namespace runtime;

QString glimmetProgId() {
    return QString::fromLatin1(Glimmet3::progId);
}

HostedControl::HostedControl(const QString &name, Ref<Font> ambientFont)
    : m_site(name, true, std::move(ambientFont)) {}

std::unique_ptr<HostedControl> HostedControl::create(ComponentLoader &loader, const QString &progId,
                                                     const QString &name, const PropertyBag &design,
                                                     QWidget *parent, QString *error) {
    std::unique_ptr<HostedControl> hosted(
        new HostedControl(name, makeRef<Font>(parent ? parent->font() : QFont())));
    if (failed(loader.createControl(progId, &hosted->m_site, &hosted->m_control, &design)) ||
        !hosted->m_control || !hosted->m_control->widget()) {
        if (error)
            *error = loader.lastError();
        return nullptr;
    }
    hosted->m_control->advise(hosted.get());
    QWidget *widget = hosted->m_control->widget();
    widget->setObjectName(name);
    widget->setParent(parent);
    widget->show();
    return hosted;
}

std::unique_ptr<HostedControl> HostedControl::createGlimmet(ComponentLoader &loader,
                                                            const QString &name,
                                                            const GlimmetLook &look,
                                                            QWidget *parent, QString *error) {
    return create(loader, glimmetProgId(), name, glimmetDesign(look), parent, error);
}

HostedControl::~HostedControl() {
    if (m_control)
        m_control->unadvise(this);
}

QWidget *HostedControl::widget() const {
    return m_control ? m_control->widget() : nullptr;
}

void HostedControl::onEvent(DispId id, std::function<void()> handler) {
    m_handlers[id] = std::move(handler);
}

Status HostedControl::onEvent(DispId id, std::span<Variant>) {
    if (const auto it = m_handlers.find(id); it != m_handlers.end() && it->second)
        it->second();
    return StatusOk;
}

void HostedControl::onClick(std::function<void()> handler) {
    onEvent(Glimmet3::EventIds::Click, std::move(handler));
}

bool HostedControl::setFont(const QFont &font) {
    return m_control &&
           !failed(m_control->putPropertyRef(Glimmet3::DispIds::Font, makeRef<Font>(font)));
}

bool HostedControl::setHighFont(const QFont &font) {
    return m_control &&
           !failed(m_control->putPropertyRef(Glimmet3::DispIds::HighFont, makeRef<Font>(font)));
}

bool HostedControl::setBackColor(OleColor colour) {
    return m_control && !failed(m_control->putProperty(Glimmet3::DispIds::BackColor, colour));
}

bool HostedControl::setHighBackColor(OleColor colour) {
    return m_control && !failed(m_control->putProperty(Glimmet3::DispIds::HighBackColor, colour));
}

std::optional<QString> HostedControl::caption() const {
    Variant caption;
    if (!m_control || failed(m_control->getProperty(Glimmet3::DispIds::Caption, &caption)))
        return std::nullopt;
    return caption.string();
}

} // namespace kestrum
