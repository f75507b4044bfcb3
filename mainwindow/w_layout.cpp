// The look of the main window: a ruled sheet with a results column, an entry
// column, a band of four buttons and two banners, every control at a fixed
// place given in twips.
#include "command_button.h"
#include "layout.h"
#include "w.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <optional>
#include <vector>

namespace rainfall {

namespace {

// Every control but the lines carries its place in the tab order, numbered from
// 0 without gaps; the focus walks the controls that can take it in that order.
const char* const TabIndex = "TabIndex";

QFont WindowFont()
{
    return PlatformFont("MS Sans Serif", 8.25, true);
}

QFont SansFont()
{
    return PlatformFont("MS Sans Serif", 9.75, true);
}

QFont SerifFont()
{
    return PlatformFont("Times New Roman", 9.75, true);
}

QFont BannerFont()
{
    return PlatformFont("Times New Roman", 12, true);
}

void Place(QWidget* control, const char* name, const QRect& place, int tabIndex)
{
    control->setObjectName(name);
    control->setGeometry(place);
    control->setProperty(TabIndex, tabIndex);
}

// A label that only names something: transparent, so the window's grey shows
// around the letters, wrapped at word boundaries and cut off at its box.
QLabel* AddCaptionLabel(QWidget* window, const char* name, const QString& caption,
                        const QRect& place, const QColor& textColour, int tabIndex)
{
    auto* label = new QLabel(caption, window);
    Place(label, name, place, tabIndex);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    SetColour(label, QPalette::WindowText, textColour);
    return label;
}

// A label that shows a result: opaque, in a single sunken border, empty until a
// command writes it. A screen reader reads the shown text as its name (QLabel
// does that by itself) and the caption's words as its description.
QLabel* AddResultLabel(QWidget* window, const char* name, const QRect& place,
                       const std::optional<QFont>& font, const QColor& background, int tabIndex,
                       const QString& description)
{
    auto* label = new QLabel(window);
    Place(label, name, place, tabIndex);
    if (font)
        label->setFont(*font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    SetColour(label, QPalette::Window, background);
    SetColour(label, QPalette::WindowText, SystemColour(18));
    label->setAccessibleDescription(description);
    return label;
}

QLineEdit* AddEntryField(QWidget* window, const char* name, const QRect& place, int tabIndex,
                         const QString& accessibleName)
{
    auto* field = new QLineEdit(window);
    Place(field, name, place, tabIndex);
    field->setFont(SansFont());
    SetColour(field, QPalette::Base, SystemColour(5));
    SetColour(field, QPalette::Text, SystemColour(8));
    field->setAccessibleName(accessibleName);
    // Every typed character goes through the key filter, none through an input method.
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    return field;
}

// The four buttons share one row of the band, each in its own cell.
CommandButton* AddButton(QWidget* window, const char* name, const QString& caption, int left,
                         int tabIndex)
{
    auto* button = new CommandButton(caption, window);
    Place(button, name, TwipsRect(left, 3240, 1095, 495), tabIndex);
    return button;
}

// The ruling lines, beneath the controls in the order they were laid. No
// colour of their own means the window text colour.
const std::vector<TwipsLine>& RulingLines()
{
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    const QColor windowText = SystemColour(8);
    static const std::vector<TwipsLine> lines = {
        {"Line4", {120, 0}, {8160, 0}, 1, windowText},       // top edge
        {"Line7", {8160, 0}, {9480, 0}, 1, windowText},      // top edge, right end
        {"Line1", {120, 0}, {120, 5400}, 10, red},           // left frame
        {"Line14", {8160, 0}, {8160, 5520}, 10, red},        // right frame
        {"Line17", {0, 5520}, {8160, 5520}, 15, red},        // bottom frame
        {"Line22", {2040, 0}, {2040, 2880}, 1, blue},        // column rule
        {"Line18", {3840, 0}, {3840, 2880}, 1, blue},        // column rule
        {"Line16", {240, 2880}, {8280, 2880}, 1, blue},      // top of the button band
        {"Line19", {120, 4080}, {8040, 4080}, 1, blue},      // bottom of the button band
        {"Line23", {240, 2880}, {240, 4080}, 1, windowText}, // band cell rules
        {"Line24", {2040, 2880}, {2040, 4080}, 1, windowText},
        {"Line20", {3840, 2880}, {3840, 4080}, 1, blue},
        {"Line21", {5880, 2880}, {5880, 4080}, 1, blue},
        {"Line10", {0, 5400}, {0, 6720}, 1, windowText}, // left edge below the frame
        {"Line2", {120, 6720}, {8280, 6720}, 1, windowText},
        {"Line3", {8160, 6720}, {9480, 6720}, 1, windowText},
        {"Line5", {9480, 2400}, {9480, 4800}, 1, windowText},
        {"Line6", {9480, 4800}, {9480, 5400}, 1, windowText},
        {"Line8", {9480, 4320}, {9480, 3840}, 1, windowText},
        {"Line9", {9480, 5280}, {9480, 5520}, 1, windowText},
        {"Line12", {9480, 5520}, {9480, 6240}, 1, windowText},
        {"Line13", {9480, 6240}, {9480, 6720}, 1, windowText},
    };
    return lines;
}

} // namespace

void W::SetUpWindow()
{
    setObjectName("W");
    setWindowTitle("Average Rainfall by Dadazezez Azuveze Duvuvi");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(Pixels(8280), Pixels(5550));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(224, 224, 224));
    // The fore colour is for text drawn straight onto the window; none is.
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(palette);
    setFont(WindowFont());
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
}

void W::AddResultsColumn()
{
    const QColor black(0, 0, 0);
    const QColor highlightText = SystemColour(14);
    AddCaptionLabel(this, "Label1", "Number of Values", TwipsRect(240, 360, 1575, 255), black, 0);
    lblNumber = AddResultLabel(this, "lblNumber", TwipsRect(2400, 240, 1095, 375), SansFont(),
                               SystemColour(5), 4, "Number of Values");
    AddCaptionLabel(this, "Label3", "Arithmetic Mean", TwipsRect(240, 840, 1575, 255), black, 2);
    lblMean = AddResultLabel(this, "lblMean", TwipsRect(2400, 720, 1095, 375), SerifFont(),
                             highlightText, 7, "Arithmetic Mean");
    AddCaptionLabel(this, "Label4", "Standard Deviation", TwipsRect(240, 1320, 1695, 255),
                    SystemColour(7), 3);
    lblStdDev = AddResultLabel(this, "lblStdDev", TwipsRect(2400, 1200, 1095, 375), SerifFont(),
                               highlightText, 8, "Standard Deviation");
    AddCaptionLabel(this, "Label7", "Average Value ", TwipsRect(240, 1800, 1335, 255), black, 13);
    lblMean1 = AddResultLabel(this, "lblMean1", TwipsRect(2400, 1680, 1095, 375), SansFont(),
                              highlightText, 16, "Average Value");
    AddCaptionLabel(this, "Label9", "Sum of Areas", TwipsRect(240, 2280, 1335, 255),
                    SystemColour(18), 17);
    lblArea = AddResultLabel(this, "lblArea", TwipsRect(2400, 2160, 1095, 375), std::nullopt,
                             highlightText, 18, "Sum of Areas");
}

void W::AddEntryColumn()
{
    const QColor black(0, 0, 0);
    AddCaptionLabel(this, "Label2", "Enter Precipitation ", TwipsRect(4200, 720, 1815, 375), black,
                    1);
    txtInput1 =
        AddEntryField(this, "txtInput1", TwipsRect(6360, 720, 1095, 375), 5, "Enter Precipitation");
    AddCaptionLabel(this, "Label8", "Enter Areas", TwipsRect(4560, 1680, 1215, 255), black, 14);
    txtinput2 =
        AddEntryField(this, "txtinput2", TwipsRect(6360, 1680, 1095, 375), 15, "Enter Areas");
}

void W::AddButtonBand()
{
    CcmdExit = AddButton(this, "CcmdExit", "E&xit", 480, 19);
    cmdNew = AddButton(this, "cmdNew", "&New Sequence", 2400, 6);
    cmdCompute = AddButton(this, "cmdCompute", "&Compute", 4320, 10);
    // A green face that the platform's push-button style does not paint.
    cmdCompute->setProperty("BackColor", QColor(0, 255, 0));
    cmdAccept = AddButton(this, "cmdAccept", "&Accept Number", 6480, 9);
}

void W::AddBanners()
{
    QLabel* department =
        AddCaptionLabel(this, "Label6", "             Postgraduate Department of Water Resources",
                        TwipsRect(120, 4680, 7335, 375), QColor(255, 0, 0), 12);
    department->setFont(BannerFont());
    // Wider than the window: cut off at its right edge.
    QLabel* institution =
        AddCaptionLabel(this, "Label5", "  KELVARRA INSTITUTE OF TECHNOLOGY, NORTH WEIRFORD",
                        TwipsRect(480, 5040, 9015, 375), QColor(0, 0, 255), 11);
    institution->setFont(BannerFont());
}

void W::SetTabOrder()
{
    std::vector<QWidget*> stops;
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->focusPolicy() & Qt::TabFocus)
            stops.push_back(control);
    }
    std::ranges::sort(stops, {},
                      [](QWidget* control) { return control->property(TabIndex).toInt(); });
    for (std::size_t i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1], stops[i]);
}

void W::ConnectCommands()
{
    connect(cmdAccept, &QPushButton::clicked, this, &W::cmdAccept_Click);
    connect(cmdCompute, &QPushButton::clicked, this, &W::cmdCompute_Click);
    connect(cmdNew, &QPushButton::clicked, this, &W::cmdNew_Click);
    connect(CcmdExit, &QPushButton::clicked, this, &W::CcmdExit_Click);
}

void W::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    DrawLines(painter, RulingLines());
}

} // namespace rainfall
