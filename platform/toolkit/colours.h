#pragma once

#include <QColor>
#include <QPalette>

class QFont;
class QWidget;

namespace rainfall {

// The Windows system colours the layouts name, by their index.
enum SystemColourIndex {
    ActiveTitleBar = 2,
    WindowBackground = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    Highlight = 13,
    HighlightText = 14,
    ButtonText = 18,
};

// A colour of a layout: a fixed RGB value or one of the system colours, which
// is taken from the application's palette when a window is made.
class Colour {
public:
    constexpr Colour(QRgb rgb) : rgb_(rgb) {}
    constexpr Colour(SystemColourIndex index) : system_(index) {}

    constexpr bool IsSystem() const { return system_ != 0; }
    QColor Value() const;

private:
    QRgb rgb_ = 0;
    int system_ = 0;
};

struct TextColours {
    QColor text;
    QColor background;
};

// The layouts mix fixed colours with the desktop's system colours, which a
// dark colour scheme turns light-on-light. Where a text in `font` would fall
// below the contrast readers need (4.5:1, or 3:1 for large bold text), the
// side that is a system colour turns black or white, the text first; two
// fixed colours keep their design.
TextColours LegibleColours(Colour text, Colour background, const QFont& font);

// The contrast ratio of two colours, from 1 (none) to 21 (black on white),
// as readers' guidelines define it.
qreal Contrast(const QColor& a, const QColor& b);

// Black or white, whichever stands out more against `other`.
QColor BlackOrWhiteAgainst(const QColor& other);

// Gives one colour role of the control's palette the colour.
void SetColour(QWidget* control, QPalette::ColorRole role, const QColor& colour);

} // namespace rainfall
