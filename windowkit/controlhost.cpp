#include "controlhost.h"

#include <QWidget>

namespace kestrum {

using namespace runtime;

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

} // namespace kestrum
