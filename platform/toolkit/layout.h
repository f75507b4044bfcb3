#pragma once

#include "platform/toolkit/colours.h"
#include "platform/toolkit/faces.h"

#include <QObject>
#include <QPoint>

#include <optional>
#include <span>

class QWidget;

namespace rainfall {

// Both windows are laid out in twips, a physical unit of 1440 to the inch:
// 15 twips to a pixel at 96 dots per inch. Places and sizes in pixels follow
// the screen's logical resolution, the one the fonts are drawn at, so that
// layout and text always grow together.

// The kinds of control the windows are made of.
enum class ControlKind {
    CaptionLabel, // static text on the window's own background, word-wrapped
    PanelLabel,   // the same on an opaque background of its own
    ResultLabel,  // opaque text in a sunken border, in the button-text colour
    EntryField,   // a single-line text box in the window colours
    Button,       // a push button; Alt with its underlined letter presses it
    PictureBox,   // a bordered area whose controls are clipped at its border
};

// In a layout table: a control with no font of its own takes its window's,
// and one with no colour of its own that of its kind.
inline const std::optional<Font> WindowFont;
inline const std::optional<Colour> ByKind;

// A control's name, and for a control that its window's code uses, the
// window's member that AddControls points at it: the compiler checks that the
// member exists, AddControls that the control it makes is of the member's
// type, once, as the window is made.
class ControlName {
public:
    constexpr ControlName(const char* name) : name_(name) {}
    template <class Widget>
    constexpr ControlName(const char* name, Widget** member)
        : name_(name), member_(member), handBack_([](void* member, QObject* control) {
              return (*static_cast<Widget**>(member) = qobject_cast<Widget*>(control)) != nullptr;
          })
    {
    }

    const char* Name() const { return name_; }
    // Points the member, if there is one, at `control`; false when the
    // control is not of the member's type.
    bool HandBack(QObject* control) const { return !handBack_ || handBack_(member_, control); }

private:
    const char* name_;
    void* member_ = nullptr;
    bool (*handBack_)(void* member, QObject* control) = nullptr;
};

// One control of a window's layout. Every control has a place in the tab
// order, numbered from 0 without gaps over the whole window; the focus walks
// those that can take it in that order.
struct Control {
    ControlKind kind;
    ControlName name;
    const char* caption;
    int left; // twips, from the top-left corner of the parent's inner area
    int top;
    int width;
    int height;
    std::optional<Font> font;         // none: the window's
    std::optional<Colour> text;       // none: the kind's
    std::optional<Colour> background; // none: the kind's
    int tabIndex;
    // The caption label that names an entry field or result label for a
    // screen reader.
    const char* labelledBy = nullptr;
};

// A window: its caption, client size in twips, colours and font. The fore
// colour is for text drawn straight onto the window, which neither window
// does.
struct Window {
    const char* name;
    const char* caption;
    int width;
    int height;
    QRgb back;
    QRgb fore;
    Font font;
};

// A straight solid line between two points in twips, its width in pixels at
// 96 dpi and centred on the segment. Lines that fall outside their window
// belong to it all the same and are simply never seen.
struct Line {
    QPoint from;
    QPoint to;
    int width;
    Colour colour;
};

// Gives a window its caption, fixed client size, colours and font, a title bar
// with only a close box, and a place centred on its screen.
void SetUpWindow(QWidget* window, const Window& layout);

// Adds the controls to `parent`: the window, or a picture box's inner area.
// Every text whose colour or background is a system colour stays legible
// under any desktop palette.
void AddControls(QWidget* parent, std::span<const Control> controls);

// The inner area of a picture box that AddControls added: the parent for the
// controls it holds and the surface for its lines.
QWidget* PictureBoxArea(QWidget* pictureBox);

// Draws the lines onto `surface`, beneath its controls, with round ends.
void DrawLines(QWidget* surface, std::span<const Line> lines);

// Links the window's controls into the tab order by their tab indexes and
// gives the focus to the first that takes it.
void SetTabOrder(QWidget* window);

} // namespace rainfall
