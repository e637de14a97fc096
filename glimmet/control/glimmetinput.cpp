// Glimmet: pointer tracking by mouse grab, the three states and the nine events.
#include "glimmet.h"
#include "glimmettry.h"

#include "cp1252.h"
#include "runtime/input.h"

#include <QHideEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include <array>

namespace kestrum {

using runtime::StatusOk;
using runtime::Variant;

namespace {

// The key code a key event carries to a host.
std::int16_t keyCode(const QKeyEvent &event) {
    return std::int16_t(runtime::virtualKey(event.key()));
}

// The character of a key press as a Windows-1252 code; 63 ("?") for a character outside it.
std::int16_t keyAscii(QChar c) {
    const char16_t u = c.unicode();
    // The C1 controls that stand for the code page's undefined bytes are no characters of it.
    if (u >= 0x80 && u <= 0x9F)
        return 63;
    const auto byte = unicodeToCp1252(u);
    return byte ? std::int16_t(*byte) : std::int16_t(63);
}

} // namespace

bool Glimmet::insideBounds(float x, float y) const {
    return x >= 0 && x <= m_surface.scaleWidth() && y >= 0 && y <= m_surface.scaleHeight();
}

// ---- events ----------------------------------------------------------------------------------

// A handler may destroy the control (a host closing the window from Click, say): each raise
// reports whether the control still exists, and nothing touches it afterwards if not.
bool Glimmet::raiseMouseEvent(EventId id, std::int16_t button, std::int16_t shift, float x,
                              float y) {
    const QPointer<Glimmet> alive(this);
    std::array<Variant, 4> args{Variant(button), Variant(shift), Variant(x), Variant(y)};
    m_context.raiseEvent(id, args);
    if (!alive)
        return false;
    button = args[0].int16();
    shift = args[1].int16();
    x = args[2].toFloat();
    y = args[3].toFloat();
    switch (id) {
    case MouseUpEvent:
        Q_EMIT MouseUp(button, shift, x, y);
        break;
    case MouseDownEvent:
        Q_EMIT MouseDown(button, shift, x, y);
        break;
    case MouseMoveEvent:
        Q_EMIT MouseMove(button, shift, x, y);
        break;
    default:
        break;
    }
    return !alive.isNull();
}

bool Glimmet::raiseKeyEvent(EventId id, std::int16_t keyCode, std::int16_t shift) {
    const QPointer<Glimmet> alive(this);
    std::array<Variant, 2> args{Variant(keyCode), Variant(shift)};
    m_context.raiseEvent(id, args);
    if (!alive)
        return false;
    keyCode = args[0].int16();
    shift = args[1].int16();
    if (id == KeyIsUpEvent)
        Q_EMIT KeyIsUp(keyCode, shift);
    else
        Q_EMIT KeyIsDown(keyCode, shift);
    return !alive.isNull();
}

bool Glimmet::raiseSimpleEvent(EventId id) {
    const QPointer<Glimmet> alive(this);
    m_context.raiseEvent(id);
    if (!alive)
        return false;
    switch (id) {
    case ClickEvent:
        Q_EMIT Click();
        break;
    case MouseOutEvent:
        Q_EMIT MouseOut();
        break;
    case DblClickEvent:
        Q_EMIT DblClick();
        break;
    default:
        break;
    }
    return !alive.isNull();
}

// ---- pointer and button handlers ---------------------------------------------------------------

Glimmet::Status Glimmet::pointerMoved(std::int16_t button, std::int16_t shift, float x, float y) {
    if (!m_mouseInside) {
        // Holding the grab while the pointer is over the control is what lets it see the
        // pointer leave: every move is then delivered here, wherever the pointer is.
        grabMouse();
        setCursor(m_mouseIcon ? m_mouseIcon->toCursor() : QCursor(Qt::ArrowCursor));
        if (button == 1) {
            m_mode = 2;
            GLIMMET_TRY(DrawState(2));
            if (m_bevel) {
                applySunkenColouring();
                setBevelVisible(true);
            }
        } else {
            m_mode = 1;
            GLIMMET_TRY(DrawState(1));
            if (m_bevel) {
                applyRaisedColouring();
                setBevelVisible(true);
            }
        }
        m_mouseInside = true;
        if (!raiseMouseEvent(MouseMoveEvent, button, shift, x, y))
            return StatusOk;
    }
    if (m_mouseInside && !insideBounds(x, y))
        return pointerGone();
    return StatusOk;
}

Glimmet::Status Glimmet::pointerGone() {
    unsetCursor(); // back to the pointer of the window underneath
    m_mouseInside = false;
    releaseMouse();
    m_mode = 0;
    GLIMMET_TRY(DrawState(0));
    setBevelVisible(false);
    raiseSimpleEvent(MouseOutEvent);
    return StatusOk;
}

Glimmet::Status Glimmet::buttonDown(std::int16_t button, std::int16_t shift, float x, float y) {
    applySunkenColouring();
    GLIMMET_TRY(DrawState(2));
    m_mode = 2;
    raiseMouseEvent(MouseDownEvent, button, shift, x, y);
    return StatusOk;
}

Glimmet::Status Glimmet::buttonUp(std::int16_t button, std::int16_t shift, float x, float y) {
    applyRaisedColouring();
    if (insideBounds(x, y)) {
        m_mode = 1;
        GLIMMET_TRY(DrawState(1));
    } else {
        m_mode = 0;
        GLIMMET_TRY(DrawState(0));
    }
    raiseMouseEvent(MouseUpEvent, button, shift, x, y);
    return StatusOk;
}

Glimmet::Status Glimmet::clicked() {
    // The button has gone up, and with it the capture a press holds: a Click handler runs
    // without the grab, so a message box it shows gets the mouse. (Qt keeps an explicit grab
    // across press and release; releases that raise no Click keep it, so the control still sees
    // the pointer leave.)
    releaseMouse();
    if (!raiseSimpleEvent(ClickEvent))
        return StatusOk;
    // A host's Click handler may hide or close the control; only a visible one can hold it.
    if (isVisible() && m_mouseInside)
        grabMouse();
    return StatusOk;
}

// Qt drops the mouse grab of a widget that is hidden, so a control hidden while the pointer
// is over it (a host closing its window from Click, say) would never see the pointer leave
// and would come back shown high. Hiding counts as the pointer leaving.
void Glimmet::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    if (m_mouseInside && !event->spontaneous())
        pointerGone();
}

// ---- Qt input events ----------------------------------------------------------------------------

void Glimmet::mouseMoveEvent(QMouseEvent *event) {
    const QPointF p = event->position() * TwipsPerPixel;
    pointerMoved(runtime::mouseButtonMask(event->buttons()),
                 runtime::shiftStateMask(event->modifiers()), float(p.x()), float(p.y()));
    event->accept();
}

void Glimmet::mousePressEvent(QMouseEvent *event) {
    const QPointF p = event->position() * TwipsPerPixel;
    const float x = float(p.x()), y = float(p.y());
    const std::int16_t shift = runtime::shiftStateMask(event->modifiers());
    m_clickArmed = event->button() == Qt::LeftButton;
    event->accept();
    // A pointer that came in while another control held the grab (its last move went there)
    // may press without a move of its own: that press is its entry, or the control would show
    // high or down without tracking the pointer and never see it leave.
    if (!m_mouseInside) {
        const QPointer<Glimmet> alive(this);
        pointerMoved(runtime::mouseButtonMask(event->buttons() & ~event->button()), shift, x, y);
        if (!alive)
            return;
    }
    buttonDown(runtime::mouseButtonMask(event->button()), shift, x, y);
}

void Glimmet::mouseReleaseEvent(QMouseEvent *event) {
    const QPointF p = event->position() * TwipsPerPixel;
    const float x = float(p.x()), y = float(p.y());
    // A click is a left press and release both on the control.
    const bool click = m_clickArmed && event->button() == Qt::LeftButton && insideBounds(x, y);
    m_clickArmed = false;
    event->accept();
    const QPointer<Glimmet> alive(this);
    buttonUp(runtime::mouseButtonMask(event->button()), runtime::shiftStateMask(event->modifiers()),
             x, y);
    if (alive && click)
        clicked();
}

void Glimmet::mouseDoubleClickEvent(QMouseEvent *event) {
    // The second press of a double click raises DblClick instead of MouseDown, and its release
    // raises MouseUp without a Click.
    m_clickArmed = false;
    raiseSimpleEvent(DblClickEvent);
    event->accept();
}

void Glimmet::keyPressEvent(QKeyEvent *event) {
    event->accept();
    const QString text = event->text();
    if (!raiseKeyEvent(KeyIsDownEvent, keyCode(*event),
                       runtime::shiftStateMask(event->modifiers())))
        return;
    if (!text.isEmpty()) {
        const QPointer<Glimmet> alive(this);
        std::array<Variant, 1> args{Variant(keyAscii(text.at(0)))};
        m_context.raiseEvent(KeyIsPressedEvent, args);
        std::int16_t ascii = args[0].int16();
        if (alive)
            Q_EMIT KeyIsPressed(ascii);
    }
}

void Glimmet::keyReleaseEvent(QKeyEvent *event) {
    if (!event->isAutoRepeat())
        raiseKeyEvent(KeyIsUpEvent, keyCode(*event), runtime::shiftStateMask(event->modifiers()));
    event->accept();
}

} // namespace kestrum
