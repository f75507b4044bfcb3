#pragma once

#include <QFont>

namespace rainfall {

// A font of a layout, by the face name the layout gives.
struct Font {
    const char* face;
    qreal points;
    bool bold;
    bool italic = false;
};

// The font drawn for a layout's face, in a face built into the program so that
// the windows look the same whatever fonts the system has: "MS Sans Serif",
// "Arial" and "System" in Liberation Sans, "Times New Roman" in Liberation
// Serif, "Arial Narrow" in Liberation Sans Narrow.
// The faces are registered when the first widget paints, as Qt reads the
// system's fonts only when text is first laid out: a window is on the screen
// before fontconfig has read its configuration, as any Qt window is.
QFont PlatformFont(const Font& font);

// Registers the built-in faces at once, for a control that lays out its text
// as soon as it is made, as a text box does: it would keep what it measured in
// another face.
void RegisterBuiltInFaces();

// Called before the application object exists: has the built-in faces drawn
// by FreeType on every system, as on Linux, so that they give the same
// pixels. On Windows Qt would draw them with GDI, which spaces and weighs them
// differently. A platform chosen in QT_QPA_PLATFORM or by -platform is left
// as it is.
void DrawFacesWithFreeType();

} // namespace rainfall
