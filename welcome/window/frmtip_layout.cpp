// The look of the welcome window: a black window with a framed tip panel on
// the left, the acknowledgements on the right, the two buttons, the presenter
// at the top and the institution at the bottom, inside a frame of
// highlight-coloured lines.
#include "platform/toolkit/layout.h"
#include "welcome/window/frmtip.h"

#include <QLabel>
#include <QPushButton>

namespace rainfall {

namespace {

constexpr QRgb Red = qRgb(255, 0, 0);
constexpr QRgb Green = qRgb(0, 255, 0);
constexpr QRgb Blue = qRgb(0, 0, 255);
constexpr QRgb Magenta = qRgb(255, 0, 255);
constexpr QRgb Cyan = qRgb(0, 255, 255);
constexpr QRgb Yellow = qRgb(255, 255, 0);

constexpr Font Sans825 = {"MS Sans Serif", 8.25, false};
constexpr Font Narrow9 = {"Arial Narrow", 9, false};

const Window WelcomeWindow = {"frmTip",
                              "Wellcome to Dodudadez Orovodo Rezudi",
                              8820,
                              5115,
                              qRgb(0, 0, 0),
                              Red,
                              {"System", 9.75, true, true}};

// The frame on the left, right and bottom edges; there is no top line.
const Line FrameLines[] = {
    {{0, 5040}, {0, 0}, 5, Highlight},       // Line2, left edge
    {{8760, 5040}, {8760, 0}, 5, Highlight}, // Line3, right edge
    {{0, 5040}, {8760, 5040}, 5, Highlight}, // Line1, bottom edge
};

// Line5 lies below the tip panel's inner area, so it is never seen.
const Line TipPanelLines[] = {
    {{0, 2880}, {2280, 2880}, 3, ActiveTitleBar},
};

} // namespace

void frmTip::LayOut()
{
    using enum ControlKind;

    // The credits and the buttons on the black window. The titles are quoted
    // letter for letter, double space and lower-case l included.
    const Control Controls[] = {
        {PictureBox, ControlName("Picture1", &Picture1), nullptr, 240, 1440, 3135, 2355, Sans825,
         WindowText, WindowBackground, 1},
        {CaptionLabel, "Label2",
         "Presented by Ms. Elowen Varga, M.Sc. student of Hydrology, Postgraduate Department of "
         "Water Resources Engineering",
         1680, 120, 6495, 735, Font{"Arial Narrow", 12, true}, Green, ByKind, 4},
        {CaptionLabel, "Label3", "Acknowledgements", 3840, 1680, 2055, 375,
         Font{"Times New Roman", 12, true}, Red, ByKind, 5},
        {CaptionLabel, "Label4", "Dr. Miren Talvak", 3480, 2040, 1575, 375, Narrow9, Blue, ByKind,
         6},
        {CaptionLabel, "Label8", "Asst.  Professor", 5520, 2040, 1695, 255, Sans825, Magenta,
         ByKind, 10},
        {CaptionLabel, "Label5", "Dr. Osric Brandvold", 3480, 2280, 1935, 255, Narrow9, Blue,
         ByKind, 7},
        // The only element of a control array, with the index 0.
        {CaptionLabel, "Label9", "Sr. Lecturer", 5520, 2280, 1455, 255, Sans825, Magenta, ByKind,
         11},
        {CaptionLabel, "Label6", "Mr. Ilan Ferrow", 3480, 2520, 1455, 255, Narrow9, Blue, ByKind,
         8},
        {CaptionLabel, "Label10", "Sr. lecturer", 5520, 2520, 1335, 255, Sans825, Magenta, ByKind,
         12},
        {CaptionLabel, "Label7", "Mrs. Tessa Quillan", 3480, 2760, 1695, 375, Narrow9, Blue, ByKind,
         9},
        {CaptionLabel, "Label11", "Sr. Lecturer", 5520, 2760, 1335, 255, Sans825, Magenta, ByKind,
         13},
        {Button, ControlName("cmdOK", &cmdOK), "OK", 3480, 3360, 1215, 375, Sans825, ByKind, ByKind,
         0},
        // It carries a white face, RGB(255, 255, 255), that the standard push
        // button does not paint.
        {Button, ControlName("Command1", &Command1), "System Info", 5520, 3360, 1215, 375,
         Font{"Arial", 9, false}, ByKind, ByKind, 16},
        {CaptionLabel, "Label12", "   B R A V E L L I N   U N I V E R S I T Y ", 600, 4200, 8055,
         495, Font{"Arial", 14.25, true}, Blue, ByKind, 14},
        {CaptionLabel, "Label13", "Tarnwick,  Bravel, Ostmark, Elaria", 2640, 4560, 4095, 375,
         Font{"Arial Narrow", 14.25, true}, Magenta, ByKind, 15},
    };

    // The tip panel, in Picture1's inner area. Both labels reach past it and are
    // cut off at its border, so together they cover it: the heading strip over
    // the tip.
    const Control TipPanel[] = {
        {PanelLabel, "Label1", "Did you know...", 0, 0, 4815, 255,
         Font{"MS Sans Serif", 8.25, true}, Cyan, MenuText, 3},
        {PanelLabel, ControlName("lblTipText", &lblTipText), "", 0, 240, 3135, 3075,
         Font{"Times New Roman", 9, true}, Yellow, WindowFrame, 2, "Label1"},
    };

    SetUpWindow(this, WelcomeWindow);
    AddControls(this, Controls);
    AddControls(PictureBoxArea(Picture1), TipPanel);
    DrawLines(this, FrameLines);
    DrawLines(PictureBoxArea(Picture1), TipPanelLines);
    SetTabOrder(this);

    Picture1->setAccessibleName("Tip of the day");
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmTip::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmTip::Command1_Click);
}

} // namespace rainfall
