// Glimmet: the rollover push-button control of the Glimmet3 library.
#pragma once

#include "glimmetlib.h"
#include "glimmetsurface.h"

#include "runtime/font.h"
#include "runtime/picture.h"
#include "runtime/propertybag.h"
#include "runtime/site.h"
#include "runtime/status.h"
#include "runtime/variant.h"

#include <QString>
#include <QWidget>

#include <cstdint>

class QPainter;

namespace kestrum {

struct GlimmetProperty;
namespace glimmetproperties {
struct HostDefaults;
}

// A push button with three appearances: normal (0), high (1, the pointer is over it) and
// down (2, a mouse button is pressed on it), each with its own caption, colours, font and
// picture, an optional four-line bevel frame, and an optional grey copy of the high picture as
// the normal picture.
//
// Everything it shows is drawn on a retained surface (GlimmetSurface) whose geometry is in
// twips; the bevel lines are drawn over the surface. The control notices the pointer entering
// and leaving by holding the mouse grab while the pointer is over it (released while a Click
// handler runs, as the button going up releases a press's capture).
//
// Hosting: a host reaches its site through context() (ambient UserMode and Font, extender
// Name, PropertyChanged, event sinks). Without a site the control behaves as in a run-mode host
// with the application font and an empty instance name. The host calls, after construction,
// either InitProperties() (a newly placed control) or ReadProperties(), and WriteProperties()
// to save; Show() runs when the widget is shown.
//
// Properties: getX() reads, setX() writes (values) or sets (references: pictures and fonts).
// Every setter runs its side effects in a fixed order (storing, fills, repaint, notifying the
// host by the property's persistence key) and returns the first failure of a host or platform
// call; whatever was stored before the failure stays stored. The getters cannot fail.
//
// Events go both to the dispatch-id event sinks registered on context() and to the Qt signals
// of the same name. Every argument is passed by reference: the sinks run first, in order, and
// the signal's receivers then see the values the sinks left.
class Glimmet : public QWidget {
    Q_OBJECT

public:
    using Status = runtime::Status;
    using OleColor = runtime::OleColor;
    using PictureRef = runtime::Ref<runtime::Picture>;
    using FontRef = runtime::Ref<runtime::Font>;

    // Event dispatch identifiers (the library's event table).
    enum EventId : runtime::DispId {
        ClickEvent = Glimmet3::EventIds::Click,
        MouseUpEvent = Glimmet3::EventIds::MouseUp,
        MouseDownEvent = Glimmet3::EventIds::MouseDown,
        MouseMoveEvent = Glimmet3::EventIds::MouseMove,
        MouseOutEvent = Glimmet3::EventIds::MouseOut,
        DblClickEvent = Glimmet3::EventIds::DblClick,
        KeyIsUpEvent = Glimmet3::EventIds::KeyIsUp,
        KeyIsDownEvent = Glimmet3::EventIds::KeyIsDown,
        KeyIsPressedEvent = Glimmet3::EventIds::KeyIsPressed,
    };

    enum BevelEdge { lx, ly, rx, ry }; // top, left, bottom, right
    struct BevelLine {
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0; // twips
        OleColor color{0x80000008u};          // window text until a colouring is applied
        bool visible = false;
    };

    static constexpr OleColor RaisedLight{0xFFFFFFu};
    static constexpr OleColor Shadow{0x808080u};

    // Initialises the control at its design size (4815 x 3630 twips) with every property
    // zero, false or empty and the bevel lines placed for that size.
    explicit Glimmet(QWidget *parent = nullptr);
    ~Glimmet() override;

    runtime::ControlContext &context() { return m_context; }
    const runtime::ControlContext &context() const { return m_context; }

    // ---- properties ----
    // Accepts only empty or an icon (type 3). Anything else shows the "It's not an Icon" box,
    // keeps the old value and, once the box is closed, returns StatusInvalidArg.
    PictureRef getMouseIcon() const { return m_mouseIcon; }
    Status setMouseIcon(PictureRef icon);
    // Repaints the normal appearance.
    QString getCaption() const { return m_caption; }
    Status setCaption(const QString &caption);
    // The text of the high and down states; no repaint.
    QString getHighCaption() const { return m_highCaption; }
    Status setHighCaption(const QString &caption);
    // In design mode also shows or hides the bevel lines; at run time only stores.
    bool getBevel() const { return m_bevel; }
    Status setBevel(bool bevel);
    // The window handle of the surface (0 before the top-level window exists).
    std::int32_t gethwnd() const;
    // With GrayScale on, writing Picture does nothing. Otherwise it also fills an empty
    // HighPicture and DownPicture with the same reference and repaints the normal appearance.
    PictureRef getPicture() const { return m_picture; }
    Status setPicture(PictureRef picture);
    // Fills an empty DownPicture. A non-empty value with GrayScale on makes Picture a grey copy
    // (see GrayScale). Writing empty stores empty and notifies nothing.
    PictureRef getHighPicture() const { return m_highPicture; }
    Status setHighPicture(PictureRef picture);
    // Fills an empty HighPicture (no grey copy); no repaint.
    PictureRef getDownPicture() const { return m_downPicture; }
    Status setDownPicture(PictureRef picture);
    // BackColor, ForeColor and Font read the surface's current values: while the control is
    // drawn high or down they give the high values.
    OleColor getBackColor() const { return m_surface.backColor(); }
    Status setBackColor(OleColor color); // repaints the current state
    FontRef getFont() const { return m_surface.font(); }
    Status setFont(FontRef font); // repaints the normal appearance
    using QWidget::setFont;
    OleColor getForeColor() const { return m_surface.foreColor(); }
    Status setForeColor(OleColor color); // repaints the normal appearance
    // The current state: 0 normal, 1 high, 2 down.
    std::int16_t getmode() const { return m_mode; }
    // Only stored: the grey copy is made when HighPicture is next written.
    bool getGrayScale() const { return m_grayScale; }
    Status setGrayScale(bool grayScale);
    OleColor getHighBackColor() const { return m_highBackColor; }
    Status setHighBackColor(OleColor color);
    OleColor getHighForeColor() const { return m_highForeColor; }
    Status setHighForeColor(OleColor color);
    FontRef getHighFont() const { return m_highFont; }
    Status setHighFont(FontRef font);

    // The stored normal-state values (the getters above read the surface).
    OleColor storedBackColor() const { return m_backColor; }
    OleColor storedForeColor() const { return m_foreColor; }
    FontRef storedFont() const { return m_font; }
    bool mouseInside() const { return m_mouseInside; }

    // Shows the information box (OK only, no icon, system-modal) and returns when it is closed.
    Status ShowInfo();

    // ---- life cycle ----
    // A newly placed control: empty pictures, captions = instance name, fonts = the ambient
    // font, colours button face / black; in design mode shows the information box.
    Status InitProperties();
    // Restores a saved control (keys and defaults as WriteProperties); a missing "Bevel" reads
    // true. In design mode with Bevel shows the bevel; draws a non-empty Picture.
    Status ReadProperties(const runtime::PropertyBag &bag);
    // Saves every property; values equal to their defaults are left out by the bag.
    Status WriteProperties(runtime::PropertyBag &bag);
    // Paints the current state; in design mode with Bevel shows the bevel lines. Called when
    // the widget is shown.
    Status Show();

    // ---- drawing ----
    // Repaints the whole surface for state 0, 1 or 2 without changing the state. Any other
    // value leaves a cleared surface with no caption.
    Status DrawState(std::int16_t state);
    const GlimmetSurface &surface() const { return m_surface; }
    // The surface's pixels with the visible bevel lines drawn over them (what paintEvent shows).
    QImage renderedImage() const;
    const BevelLine &bevelLine(BevelEdge edge) const { return m_lines[edge]; }

Q_SIGNALS:
    void Click();
    void MouseUp(std::int16_t &PressedButton, std::int16_t &Shift, float &x, float &y);
    void MouseDown(std::int16_t &PressedButton, std::int16_t &Shift, float &x, float &y);
    void MouseMove(std::int16_t &PressedButton, std::int16_t &Shift, float &x, float &y);
    void MouseOut();
    void DblClick();
    void KeyIsUp(std::int16_t &KeyCode, std::int16_t &Shift);
    void KeyIsDown(std::int16_t &KeyCode, std::int16_t &Shift);
    void KeyIsPressed(std::int16_t &KeyAscii);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    friend struct GlimmetPropertyTable; // the saved-value and restore accessors

    // Input handlers (coordinates in twips, masks as the events carry them).
    Status pointerMoved(std::int16_t button, std::int16_t shift, float x, float y);
    Status buttonDown(std::int16_t button, std::int16_t shift, float x, float y);
    Status buttonUp(std::int16_t button, std::int16_t shift, float x, float y);
    Status clicked();
    Status pointerGone(); // the leave steps of pointerMoved
    bool insideBounds(float x, float y) const;

    // Each returns false when a handler destroyed the control.
    bool raiseMouseEvent(EventId id, std::int16_t button, std::int16_t shift, float x, float y);
    bool raiseKeyEvent(EventId id, std::int16_t keyCode, std::int16_t shift);
    bool raiseSimpleEvent(EventId id);

    // Drawing.
    void placeBevelLines();
    void applyRaisedColouring();
    void applySunkenColouring();
    void setBevelVisible(bool visible);
    Status syncSurfaceSize(); // runs the resize handler when the widget's size changed
    void layoutNormal();      // the resize handler's layout with the surface's current values
    Status layoutAppearance(const PictureRef &picture, const QString &text, bool normalState,
                            bool reapplyNormalValues);
    void paintBevel(QPainter &painter) const;
    Status drawInitialPicture();
    Status makeGreyPicture();
    float halfWidth(const runtime::Picture &picture) const;
    float halfHeight(const runtime::Picture &picture) const;

    Status notify(const QString &key);
    Status designMode(bool *design) const;
    Status instanceName(QString *name) const;
    // Asks the host for what `property`'s default needs, unless it was asked already.
    Status hostDefaultsFor(const GlimmetProperty &property, glimmetproperties::HostDefaults *host,
                           bool *haveFont, bool *haveName) const;

    runtime::ControlContext m_context;
    GlimmetSurface m_surface;

    OleColor m_highBackColor;
    OleColor m_highForeColor;
    FontRef m_highFont;
    OleColor m_backColor;
    OleColor m_foreColor;
    FontRef m_font;
    PictureRef m_picture;
    PictureRef m_highPicture;
    PictureRef m_downPicture;
    QString m_caption;
    QString m_highCaption;
    bool m_bevel = false;
    std::int16_t m_mode = 0;
    PictureRef m_mouseIcon;
    bool m_grayScale = false;
    bool m_mouseInside = false;

    BevelLine m_lines[4];
    bool m_clickArmed = false; // a left press on the control that a release may complete
};

} // namespace kestrum
