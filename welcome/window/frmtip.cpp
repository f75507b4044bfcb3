#include "frmtip.h"

#include "caption_text.h"
#include "layout.h"
#include "picture_box.h"
#include "runtime_error.h"
#include "sys_info.h"
#include "w.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace rainfall {

namespace {

constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);
constexpr QRgb Green = qRgb(0, 255, 0);
constexpr QRgb Blue = qRgb(0, 0, 255);
constexpr QRgb Magenta = qRgb(255, 0, 255);
constexpr QRgb Cyan = qRgb(0, 255, 255);
constexpr QRgb Yellow = qRgb(255, 255, 0);

constexpr int HighlightColour = 13;
constexpr int ActiveTitleBarColour = 2;

struct LabelLayout {
    const char* name;
    const char* caption;
    int left; // twips
    int top;
    int width;
    int height;
    const char* face;
    qreal points;
    bool bold;
    QRgb text;
};

// The credits on the black window, each a transparent caption label. The
// titles are quoted as they have always stood, double space and all.
const LabelLayout Credits[] = {
    {"Label2",
     "Presented by Ms. Elowen Varga, M.Sc. student of Hydrology, Postgraduate Department of "
     "Water Resources Engineering",
     1680, 120, 6495, 735, "Arial Narrow", 12, true, Green},
    {"Label3", "Acknowledgements", 3840, 1680, 2055, 375, "Times New Roman", 12, true, Red},
    {"Label4", "Dr. Miren Talvak", 3480, 2040, 1575, 375, "Arial Narrow", 9, false, Blue},
    {"Label8", "Asst.  Professor", 5520, 2040, 1695, 255, "MS Sans Serif", 8.25, false, Magenta},
    {"Label5", "Dr. Osric Brandvold", 3480, 2280, 1935, 255, "Arial Narrow", 9, false, Blue},
    {"Label9", "Sr. Lecturer", 5520, 2280, 1455, 255, "MS Sans Serif", 8.25, false, Magenta},
    {"Label6", "Mr. Ilan Ferrow", 3480, 2520, 1455, 255, "Arial Narrow", 9, false, Blue},
    {"Label10", "Sr. lecturer", 5520, 2520, 1335, 255, "MS Sans Serif", 8.25, false, Magenta},
    {"Label7", "Mrs. Tessa Quillan", 3480, 2760, 1695, 375, "Arial Narrow", 9, false, Blue},
    {"Label11", "Sr. Lecturer", 5520, 2760, 1335, 255, "MS Sans Serif", 8.25, false, Magenta},
    {"Label12", "   B R A V E L L I N   U N I V E R S I T Y ", 600, 4200, 8055, 495, "Arial", 14.25,
     true, Blue},
    {"Label13", "Tarnwick,  Bravel, Ostmark, Elaria", 2640, 4560, 4095, 375, "Arial Narrow", 14.25,
     true, Magenta},
};

// The frame of highlight-coloured lines on the left, right and bottom edges.
const std::vector<TwipsLine>& FrameLines()
{
    const QColor highlight = SystemColour(HighlightColour);
    static const std::vector<TwipsLine> lines = {
        {"Line2", {0, 5040}, {0, 0}, 5, highlight},       // left edge
        {"Line3", {8760, 5040}, {8760, 0}, 5, highlight}, // right edge
        {"Line1", {0, 5040}, {8760, 5040}, 5, highlight}, // bottom edge
    };
    return lines;
}

// Line5 lies below the tip panel's inner area, so it is never seen.
std::vector<TwipsLine> TipPanelLines()
{
    return {{"Line5", {0, 2880}, {2280, 2880}, 3, SystemColour(ActiveTitleBarColour)}};
}

// A caption label: transparent, no border, left-aligned, wrapping at word
// boundaries and cut off at its box.
QLabel* AddLabel(QWidget* parent, const LabelLayout& layout)
{
    auto* label = new QLabel(parent);
    label->setObjectName(layout.name);
    label->setGeometry(TwipsRect(layout.left, layout.top, layout.width, layout.height));
    label->setFont(PlatformFont(layout.face, layout.points, layout.bold));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetColour(label, QPalette::WindowText, QColor(layout.text));
    SetCaption(label, layout.caption);
    return label;
}

// A panel label: a caption label whose background fills its whole box.
QLabel* AddPanelLabel(QWidget* parent, const LabelLayout& layout, const QColor& background)
{
    QLabel* label = AddLabel(parent, layout);
    label->setAutoFillBackground(true);
    SetColour(label, QPalette::Window, background);
    return label;
}

QPushButton* AddButton(QWidget* parent, const char* name, const char* caption,
                       const QRect& geometry, const QFont& font)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFont(font);
    button->setAutoDefault(true);
    return button;
}

} // namespace

frmTip::frmTip(const WelcomeServices& services, QWidget* parent)
    : QDialog(parent), services_(services),
      tips_(services.runtime, [this](std::string_view text) { SetTipText(std::string(text)); })
{
    setAttribute(Qt::WA_DeleteOnClose);
    LayOut();
    Form_Load();
}

void frmTip::LayOut()
{
    setObjectName("frmTip");
    setWindowTitle("Wellcome to Dodudadez Orovodo Rezudi");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Pixels(8820), Pixels(5115));
    setAutoFillBackground(true);
    SetColour(this, QPalette::Window, QColor(Black));
    SetColour(this, QPalette::WindowText, QColor(Red));
    setFont(PlatformFont("System", 9.75, true, true));

    auto* Picture1 = new PictureBox(TwipsRect(240, 1440, 3135, 2355), TipPanelLines(), this);
    Picture1->setObjectName("Picture1");
    Picture1->setFont(PlatformFont("MS Sans Serif", 8.25, false));
    SetColour(Picture1, QPalette::Window, SystemColour(5));
    SetColour(Picture1, QPalette::WindowText, SystemColour(8));
    Picture1->setFocusPolicy(Qt::StrongFocus);
    // Both labels reach past the panel's inner area and are cut off at its
    // border, so together they cover it: the heading strip over the tip.
    AddPanelLabel(Picture1->area(),
                  {"Label1", "Did you know...", 0, 0, 4815, 255, "MS Sans Serif", 8.25, true, Cyan},
                  SystemColour(7));
    lblTipText =
        AddPanelLabel(Picture1->area(),
                      {"lblTipText", "", 0, 240, 3135, 3075, "Times New Roman", 9, true, Yellow},
                      SystemColour(6));
    lblTipText->setAccessibleDescription("Did you know...");

    for (const LabelLayout& credit : Credits)
        AddLabel(this, credit);
    findChild<QLabel*>("Label9")->setProperty("index", 0); // element 0 of its control array

    cmdOK = AddButton(this, "cmdOK", "OK", TwipsRect(3480, 3360, 1215, 375),
                      PlatformFont("MS Sans Serif", 8.25, false));
    Command1 = AddButton(this, "Command1", "System Info", TwipsRect(5520, 3360, 1215, 375),
                         PlatformFont("Arial", 9, false));
    // OK is both the default and the cancel button (Escape, in keyPressEvent).
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmTip::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmTip::Command1_Click);

    setTabOrder(cmdOK, Picture1);
    setTabOrder(Picture1, Command1);
    cmdOK->setFocus();
}

void frmTip::Form_Load()
{
    services_.runtime.SeedFromClock();
    const std::string sFile = JoinPath(services_.runtime.ProgramDirectory(), TipFileName);
    try {
        if (LoadTips(sFile) == FlagFalse)
            SetTipText(TipFileNotFoundText());
    } catch (const RuntimeError& error) {
        // A tip file that is there but cannot be read is no reason to stop
        // the program: the tip label says what went wrong instead.
        if (error.kind() != RuntimeError::Kind::FileError)
            throw;
        SetTipText(TipFileUnreadableText(error.detail()));
    }
}

void frmTip::cmdOK_Click()
{
    close(); // unloads the window: it deletes itself once this handler is done
    auto* main = new W(services_.toolkit);
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->show();
}

void frmTip::Command1_Click()
{
    StartSysInfo();
}

std::int16_t frmTip::LoadTips(const std::string& sFile)
{
    return tips_.LoadTips(sFile);
}

void frmTip::StartSysInfo()
{
    rainfall::StartSysInfo(services_.registry, services_.launcher, services_.runtime,
                           [this](const std::string& prompt, int style) {
                               services_.toolkit.MsgBox(this, QString::fromLocal8Bit(prompt),
                                                        style);
                           });
}

void frmTip::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmTip::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    DrawLines(painter, FrameLines());
}

void frmTip::SetTipText(const std::string& text)
{
    SetCaption(lblTipText, QString::fromLocal8Bit(text));
}

} // namespace rainfall
