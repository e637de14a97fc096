// Glimmet: properties, persistence, life cycle and the information box.
#include "glimmet.h"
#include "glimmettry.h"

#include "glimmetinfo.h"
#include "glimmetproperties.h"
#include "runtime/messagebox.h"

#include <QPaintEvent>
#include <QShowEvent>

namespace kestrum {

using runtime::ButtonFaceColor;
using runtime::failed;
using runtime::Picture;
using runtime::PropertyBag;
using runtime::StatusOk;
using runtime::Variant;

namespace {

constexpr runtime::OleColor Black{0u};

} // namespace

Glimmet::Glimmet(QWidget *parent) : QWidget(parent) {
    setMouseTracking(true); // pointer moves arrive without a button held: that is the entry
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_surface.setPalette(palette());
    // Design size 4815 x 3630 twips, and the bevel lines as the design data has them before
    // the geometry step places them.
    resize(int(4815 / TwipsPerPixel), int(3630 / TwipsPerPixel));
    m_lines[lx] = {0, 0, 4800, 0};
    m_lines[ly] = {0, 3600, 0, 0};
    m_lines[rx] = {0, 3600, 4800, 3600};
    m_lines[ry] = {4800, 0, 4800, 3600};
    m_surface.resize(size());
    m_surface.clear();
    placeBevelLines();
}

Glimmet::~Glimmet() = default;

Glimmet::Status Glimmet::notify(const QString &key) {
    return m_context.propertyChanged(key);
}

Glimmet::Status Glimmet::designMode(bool *design) const {
    bool userMode = true;
    GLIMMET_TRY(m_context.userMode(&userMode));
    *design = !userMode;
    return StatusOk;
}

Glimmet::Status Glimmet::instanceName(QString *name) const {
    return m_context.extenderName(name);
}

// ---- properties -------------------------------------------------------------------------

Glimmet::Status Glimmet::setMouseIcon(PictureRef icon) {
    if (!icon || icon->type() == Picture::Icon) {
        m_mouseIcon = std::move(icon);
        return notify(QStringLiteral("MouseIcon"));
    }
    runtime::HostMessageBox::show(
        this,
        QStringLiteral("Have you Ever seen a picture or a metafile as a Mouse Icon? The picture "
                       "you selected is invalid for this puspose."),
        QStringLiteral("It's not an Icon"), runtime::HostMessageBox::Buttons::Ok,
        runtime::HostMessageBox::Icon::Critical);
    // The user has been told; the caller is told too, since the value was not taken.
    return runtime::StatusInvalidArg;
}

Glimmet::Status Glimmet::setCaption(const QString &caption) {
    m_caption = caption;
    GLIMMET_TRY(DrawState(0));
    return notify(QStringLiteral("Caption"));
}

Glimmet::Status Glimmet::setHighCaption(const QString &caption) {
    m_highCaption = caption;
    return notify(QStringLiteral("HighCaption"));
}

Glimmet::Status Glimmet::setBevel(bool bevel) {
    m_bevel = bevel;
    bool design = false;
    GLIMMET_TRY(designMode(&design));
    if (design)
        setBevelVisible(bevel);
    return notify(QStringLiteral("Bevel"));
}

std::int32_t Glimmet::gethwnd() const {
    return static_cast<std::int32_t>(effectiveWinId());
}

Glimmet::Status Glimmet::setPicture(PictureRef picture) {
    if (m_grayScale)
        return StatusOk;
    m_picture = std::move(picture);
    if (!m_highPicture)
        m_highPicture = m_picture;
    if (!m_downPicture)
        m_downPicture = m_picture;
    GLIMMET_TRY(DrawState(0));
    return notify(QStringLiteral("Picture"));
}

Glimmet::Status Glimmet::setHighPicture(PictureRef picture) {
    m_highPicture = std::move(picture);
    if (!m_downPicture)
        m_downPicture = m_highPicture;
    if (!m_highPicture)
        return StatusOk;
    if (m_grayScale)
        GLIMMET_TRY(makeGreyPicture());
    return notify(QStringLiteral("HighPicture"));
}

Glimmet::Status Glimmet::setDownPicture(PictureRef picture) {
    m_downPicture = std::move(picture);
    if (!m_highPicture)
        m_highPicture = m_downPicture;
    return notify(QStringLiteral("DownPicture"));
}

Glimmet::Status Glimmet::setBackColor(OleColor color) {
    m_backColor = color;
    m_surface.setBackColor(color);
    GLIMMET_TRY(DrawState(m_mode));
    return notify(QStringLiteral("BackColor"));
}

Glimmet::Status Glimmet::setFont(FontRef font) {
    m_font = std::move(font);
    m_surface.setFont(m_font);
    GLIMMET_TRY(DrawState(0));
    return notify(QStringLiteral("Font"));
}

Glimmet::Status Glimmet::setForeColor(OleColor color) {
    m_foreColor = color;
    m_surface.setForeColor(color);
    GLIMMET_TRY(DrawState(0));
    return notify(QStringLiteral("ForeColor"));
}

Glimmet::Status Glimmet::setGrayScale(bool grayScale) {
    m_grayScale = grayScale;
    return notify(QStringLiteral("GrayScale"));
}

Glimmet::Status Glimmet::setHighBackColor(OleColor color) {
    m_highBackColor = color;
    return notify(QStringLiteral("HighBackColor"));
}

Glimmet::Status Glimmet::setHighForeColor(OleColor color) {
    m_highForeColor = color;
    return notify(QStringLiteral("HighForeColor"));
}

Glimmet::Status Glimmet::setHighFont(FontRef font) {
    m_highFont = std::move(font);
    return notify(QStringLiteral("HighFont"));
}

// ---- information box ----------------------------------------------------------------------

Glimmet::Status Glimmet::ShowInfo() {
    Glimmet3::showInfoBox(this);
    return StatusOk;
}

// ---- life cycle -----------------------------------------------------------------------------

Glimmet::Status Glimmet::InitProperties() {
    m_picture.reset();
    m_highPicture.reset();
    m_downPicture.reset();
    m_mouseIcon.reset();
    QString name;
    GLIMMET_TRY(instanceName(&name));
    m_caption = name;
    m_highCaption = name;
    FontRef ambient;
    GLIMMET_TRY(m_context.ambientFont(&ambient));
    m_font = ambient;
    m_highFont = ambient;
    m_backColor = ButtonFaceColor;
    m_highBackColor = ButtonFaceColor;
    m_foreColor = Black;
    m_highForeColor = Black;
    bool design = false;
    GLIMMET_TRY(designMode(&design));
    if (design)
        return ShowInfo();
    return StatusOk;
}

// Fetches the host values a property's default needs, the first time one needs them.
Glimmet::Status Glimmet::hostDefaultsFor(const GlimmetProperty &property,
                                         glimmetproperties::HostDefaults *host, bool *haveFont,
                                         bool *haveName) const {
    if (property.fallback == SavedDefault::AmbientFont && !*haveFont) {
        FontRef ambient;
        GLIMMET_TRY(m_context.ambientFont(&ambient));
        host->ambientFont = Variant(ambient);
        *haveFont = true;
    } else if (property.fallback == SavedDefault::InstanceName && !*haveName) {
        GLIMMET_TRY(instanceName(&host->instanceName));
        *haveName = true;
    }
    return StatusOk;
}

// The properties are read in their readStep order. The host is asked for the ambient font and
// the instance name only where the first default needs them, so a failing host call leaves
// the values read before it in place.
Glimmet::Status Glimmet::ReadProperties(const PropertyBag &bag) {
    namespace properties = glimmetproperties;
    properties::HostDefaults host;
    bool haveFont = false, haveName = false;
    const auto read = [&](const GlimmetProperty &p) {
        return bag.readProperty(QLatin1String(p.key), properties::defaultValue(p, host));
    };
    for (int step = 0; step <= properties::savedCount; ++step) {
        if (step == properties::surfaceStep) {
            for (int earlier = 0; earlier < step; ++earlier) {
                const GlimmetProperty *p = properties::atStep(&GlimmetProperty::readStep, earlier);
                if (p && p->show)
                    p->show(*this, read(*p));
            }
            continue;
        }
        const GlimmetProperty *p = properties::atStep(&GlimmetProperty::readStep, step);
        GLIMMET_TRY(hostDefaultsFor(*p, &host, &haveFont, &haveName));
        p->restore(*this, read(*p));
    }
    update();

    bool design = false;
    GLIMMET_TRY(designMode(&design));
    if (design && m_bevel)
        setBevelVisible(true);
    if (m_picture)
        return drawInitialPicture();
    return StatusOk;
}

// The properties are written in their writeStep order, the host asked as for reading. A value
// the bag refuses (a font whose size is not a finite number) is left out, the rest is written,
// and the first refusal is the result.
Glimmet::Status Glimmet::WriteProperties(PropertyBag &bag) {
    namespace properties = glimmetproperties;
    properties::HostDefaults host;
    bool haveFont = false, haveName = false;
    Status result = StatusOk;
    for (int step = 0; step < properties::savedCount; ++step) {
        const GlimmetProperty *p = properties::atStep(&GlimmetProperty::writeStep, step);
        GLIMMET_TRY(hostDefaultsFor(*p, &host, &haveFont, &haveName));
        const Status s = bag.writeProperty(QLatin1String(p->key), p->saved(*this),
                                           properties::defaultValue(*p, host));
        if (runtime::failed(s) && runtime::succeeded(result))
            result = s;
    }
    return result;
}

Glimmet::Status Glimmet::Show() {
    GLIMMET_TRY(DrawState(m_mode));
    bool design = false;
    GLIMMET_TRY(designMode(&design));
    if (design && m_bevel)
        setBevelVisible(true);
    return StatusOk;
}

void Glimmet::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Show();
}

} // namespace kestrum
