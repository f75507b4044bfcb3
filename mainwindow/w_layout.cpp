// The look of the main window: a ruled sheet with a results column, an entry
// column, a band of four buttons and two banners, every control at a fixed
// place given in twips.
#include "mainwindow/w.h"
#include "platform/toolkit/layout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace rainfall {

namespace {

constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);
constexpr QRgb Blue = qRgb(0, 0, 255);

constexpr Font Sans975 = {"MS Sans Serif", 9.75, true};
constexpr Font Serif975 = {"Times New Roman", 9.75, true};
constexpr Font Banner = {"Times New Roman", 12, true};

const Window MainWindow = {"W",
                           "Average Rainfall by Dadazezez Azuveze Duvuvi",
                           8280,
                           5550,
                           qRgb(224, 224, 224),
                           Blue,
                           {"MS Sans Serif", 8.25, true}};

// The ruling lines, in the order they are drawn.
const Line RulingLines[] = {
    {{120, 0}, {8160, 0}, 1, WindowText},        // Line4, top edge
    {{8160, 0}, {9480, 0}, 1, WindowText},       // Line7, top edge, right end
    {{120, 0}, {120, 5400}, 10, Red},            // Line1, left frame
    {{8160, 0}, {8160, 5520}, 10, Red},          // Line14, right frame
    {{0, 5520}, {8160, 5520}, 15, Red},          // Line17, bottom frame
    {{2040, 0}, {2040, 2880}, 1, Blue},          // Line22, column rule
    {{3840, 0}, {3840, 2880}, 1, Blue},          // Line18, column rule
    {{240, 2880}, {8280, 2880}, 1, Blue},        // Line16, top of the button band
    {{120, 4080}, {8040, 4080}, 1, Blue},        // Line19, bottom of the button band
    {{240, 2880}, {240, 4080}, 1, WindowText},   // Line23, band cell rules
    {{2040, 2880}, {2040, 4080}, 1, WindowText}, // Line24
    {{3840, 2880}, {3840, 4080}, 1, Blue},       // Line20
    {{5880, 2880}, {5880, 4080}, 1, Blue},       // Line21
    {{0, 5400}, {0, 6720}, 1, WindowText},       // Line10, left edge below the frame
    // Below and right of the client area, never seen.
    {{120, 6720}, {8280, 6720}, 1, WindowText},  // Line2
    {{8160, 6720}, {9480, 6720}, 1, WindowText}, // Line3
    {{9480, 2400}, {9480, 4800}, 1, WindowText}, // Line5
    {{9480, 4800}, {9480, 5400}, 1, WindowText}, // Line6
    {{9480, 4320}, {9480, 3840}, 1, WindowText}, // Line8
    {{9480, 5280}, {9480, 5520}, 1, WindowText}, // Line9
    {{9480, 5520}, {9480, 6240}, 1, WindowText}, // Line12
    {{9480, 6240}, {9480, 6720}, 1, WindowText}, // Line13
};

} // namespace

void W::LayOut()
{
    using enum ControlKind;
    // The controls the commands use are handed back to their members.
    const Control Controls[] = {
        // The results: the caption column from x = 240, the results from x = 2400.
        {CaptionLabel, "Label1", "Number of Values", 240, 360, 1575, 255, WindowFont, Black, ByKind,
         0},
        {ResultLabel, ControlName("lblNumber", &lblNumber), "", 2400, 240, 1095, 375, Sans975,
         ByKind, WindowBackground, 4, "Label1"},
        {CaptionLabel, "Label3", "Arithmetic Mean", 240, 840, 1575, 255, WindowFont, Black, ByKind,
         2},
        {ResultLabel, ControlName("lblMean", &lblMean), "", 2400, 720, 1095, 375, Serif975, ByKind,
         HighlightText, 7, "Label3"},
        {CaptionLabel, "Label4", "Standard Deviation", 240, 1320, 1695, 255, WindowFont, MenuText,
         ByKind, 3},
        {ResultLabel, ControlName("lblStdDev", &lblStdDev), "", 2400, 1200, 1095, 375, Serif975,
         ByKind, HighlightText, 8, "Label4"},
        // The Thiessen weighted mean.
        {CaptionLabel, "Label7", "Average Value ", 240, 1800, 1335, 255, WindowFont, Black, ByKind,
         13},
        {ResultLabel, ControlName("lblMean1", &lblMean1), "", 2400, 1680, 1095, 375, Sans975,
         ByKind, HighlightText, 16, "Label7"},
        {CaptionLabel, "Label9", "Sum of Areas", 240, 2280, 1335, 255, WindowFont, ButtonText,
         ByKind, 17},
        {ResultLabel, ControlName("lblArea", &lblArea), "", 2400, 2160, 1095, 375, WindowFont,
         ByKind, HighlightText, 18, "Label9"},

        // The entry column.
        {CaptionLabel, "Label2", "Enter Precipitation ", 4200, 720, 1815, 375, WindowFont, Black,
         ByKind, 1},
        {EntryField, ControlName("txtInput1", &txtInput1), "", 6360, 720, 1095, 375, Sans975,
         ByKind, ByKind, 5, "Label2"},
        {CaptionLabel, "Label8", "Enter Areas", 4560, 1680, 1215, 255, WindowFont, Black, ByKind,
         14},
        {EntryField, ControlName("txtinput2", &txtinput2), "", 6360, 1680, 1095, 375, Sans975,
         ByKind, ByKind, 15, "Label8"},

        // The button band, one button to a cell. The Compute button carries a
        // green face, RGB(0, 255, 0), that the standard push button does not paint.
        {Button, ControlName("CcmdExit", &CcmdExit), "E&xit", 480, 3240, 1095, 495, WindowFont,
         ByKind, ByKind, 19},
        {Button, ControlName("cmdNew", &cmdNew), "&New Sequence", 2400, 3240, 1095, 495, WindowFont,
         ByKind, ByKind, 6},
        {Button, ControlName("cmdCompute", &cmdCompute), "&Compute", 4320, 3240, 1095, 495,
         WindowFont, ByKind, ByKind, 10},
        {Button, ControlName("cmdAccept", &cmdAccept), "&Accept Number", 6480, 3240, 1095, 495,
         WindowFont, ByKind, ByKind, 9},

        // The banners below the band; the institution's runs past the right edge.
        {CaptionLabel, "Label6", "             Postgraduate Department of Water Resources", 120,
         4680, 7335, 375, Banner, Red, ByKind, 12},
        {CaptionLabel, "Label5", "  KELVARRA INSTITUTE OF TECHNOLOGY, NORTH WEIRFORD", 480, 5040,
         9015, 375, Banner, Blue, ByKind, 11},
    };

    SetUpWindow(this, MainWindow);
    AddControls(this, Controls);
    DrawLines(this, RulingLines);
    SetTabOrder(this);
}

} // namespace rainfall
