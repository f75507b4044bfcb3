// The main window, driven the way a user does: keys go to the control that has
// the focus, message boxes are read and closed by their OK button, the beep
// and the end of the program are counted. Its look is compared with pictures.
#include "mainwindow/w.h"
#include "tests/pictures.h"
#include "tests/recording_toolkit.h"

#include <QAccessible>
#include <QClipboard>
#include <QScreen>

using namespace rainfall;

namespace {

// A window as it opens, active, with the keys of a session pressed in turn:
// a name of a key or a key combination ("Return", "Alt+C", "Num+,") or text to
// type ("12.5").
struct Session {
    RecordingToolkit toolkit;
    W window{toolkit};

    Session()
    {
        window.show();
        Activate();
    }
    // A desktop gives the activation back to the window when its message box
    // closes; the offscreen platform does not.
    void Activate()
    {
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qFatal("the main window does not become active");
    }
    QString Focus() const { return window.focusWidget()->objectName(); }
    void Press(const QString& keys)
    {
        for (const QString& key : keys.split(' ', Qt::SkipEmptyParts)) {
            Activate();
            if (key.startsWith("Paste:")) { // the rest, through the clipboard
                QGuiApplication::clipboard()->setText(key.mid(6));
                QTest::keyClick(window.focusWidget(), Qt::Key_V, Qt::ControlModifier);
            } else if (key.size() > 1 && key[0].isUpper()) {
                const QKeyCombination combination = QKeySequence(key)[0];
                QTest::keyClick(window.focusWidget(), combination.key(),
                                combination.keyboardModifiers());
            } else {
                QTest::keyClicks(window.focusWidget(), key);
            }
        }
    }
    // The focus, the two entry texts, the five results, beeps and ends.
    QString State() const
    {
        QStringList state{Focus()};
        for (const char* name :
             {"txtInput1", "txtinput2", "lblNumber", "lblMean", "lblStdDev", "lblMean1", "lblArea"})
            state << window.findChild<QWidget*>(name)->property("text").toString();
        return state.join('|') + QString("|%1 beeps|%2 ends").arg(toolkit.beeps).arg(toolkit.ends);
    }
};

const QString TwoGauges = "2 Return 10 Return 4 Return 30 Return";
// Computed, and the next precipitation typed.
const QString TwoGaugesComputed = "txtInput1|12.5 | | 2| 3| 1.414214| 3.5| 40|0 beeps|0 ends";

} // namespace

class TestW : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void session_data();
    void session();
    void placeAndScreenReader();
};

void TestW::initTestCase()
{
    pictures::Prepare();
}

// Each row one path through the window. Where a picture is named, the window
// is compared with it at the end: under a palette in which every system colour
// differs, or, for "-dark", under a dark one, where every text whose colour or
// background comes from the desktop stays legible.
void TestW::session_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("picture");
    const auto row = [](const char* name, const QString& keys, const QString& state,
                        const QStringList& boxes = {}, const QString& picture = {}) {
        QTest::newRow(name) << keys << boxes << state << picture;
    };
    const QString noValue = " No Value Entered| Please Enter the Precipitation Value";

    row("as it opens", "", "txtInput1||||||||0 beeps|0 ends", {}, "main-window");
    row("two gauges", TwoGauges + " Alt+C 12.5", TwoGaugesComputed, {}, "main-window-computed");
    row("two gauges, dark desktop", TwoGauges + " Alt+C 12.5", TwoGaugesComputed, {},
        "main-window-computed-dark");
    // Each button gives the focus back to the precipitation.
    row("Compute with one value only beeps", "Tab Tab Tab Space 12.5 Return 100 Return Alt+C",
        "txtInput1| | | 1|||||2 beeps|0 ends");
    row("New Sequence clears the window", TwoGauges + " Alt+C Tab Space",
        "txtInput1||||||||0 beeps|0 ends");
    row("New Sequence clears every sum",
        TwoGauges + " Alt+N 1 Return 1 Return 2 Return 1 Return Alt+C",
        "txtInput1| | | 2| 1.5| .7071068| 1.5| 2|0 beeps|0 ends");
    row("keypad: decimal key types a point, Enter as Return",
        "Num+2 Num+, Num+5 Enter 1 Enter 2 Enter 1 Enter Alt+C",
        "txtInput1| | | 2| 2.25| .3535534| 2.25| 2|0 beeps|0 ends");
    row("sum of areas zero", "2 Return 5 Return 4 Return 5 Return Alt+C 1 Return -10 Return Alt+C",
        "txtInput1| | | 3| 2.333333| 1.527525|| 0|0 beeps|0 ends",
        {"No Average Value| The area-weighted mean cannot be formed because the sum of areas "
         "is zero"});
    // A value too small for single precision reads 0. The caret stands before
    // the space Accept leaves, so 25 reads "25 "; the space alone is no area.
    row("typed where Accept left its marker",
        "." + QString(50, '0') + "1 Return 1 Return 25 Return Return",
        "txtinput2|25 | | 1|||||0 beeps|0 ends", {"No Value Entered| Please Enter value of Area "});
    // A refused pair stays for correction, with the focus on the precipitation,
    // the first value named that cannot be held.
    const QString beyondSingle = "1" + QString(39, '0');
    row("both values beyond single",
        TwoGauges + " " + beyondSingle + " Return " + beyondSingle + " Return",
        "txtInput1|" + beyondSingle + " |" + beyondSingle + " | 2|||||0 beeps|0 ends",
        {"Pair Not Accepted| The pair cannot be accepted: the precipitation value is too large "
         "for the program to hold"});
    // Digits, minus, point and Backspace pass; letters, the exponent too,
    // space, comma and plus do not. Keys that type nothing edit as usual.
    row("keys the fields take",
        "-1a Space 2-,+.5eE9 Alt+B Backspace Left Left Del End 4 Home 5 "
        "Ctrl+A Ctrl+C End Ctrl+V",
        "txtInput1|5-12-545-12-54|||||||0 beeps|0 ends");
    // Enter or Space presses the focused button; Exit ends the program at
    // once; Escape does nothing.
    row("keypad Enter on Exit", "Backtab Enter Esc", "CcmdExit||||||||0 beeps|1 ends");
    row("Space on Accept", "Tab Tab Space", "txtInput1||||||||0 beeps|0 ends", {noValue});
    // Blanks pasted, a tab among them, are no value either.
    row("a tab pasted", "Paste:\t Return 5 Return", "txtInput1|\t|5||||||0 beeps|0 ends",
        {noValue});
}

void TestW::session()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, boxes);
    QFETCH(QString, state);
    QFETCH(QString, picture);
    QApplication::setPalette(picture.endsWith("-dark") ? pictures::Dark() : pictures::Distinct());
    Session s;
    s.Press(keys);
    QCOMPARE(s.State(), state);
    for (QString& box : boxes)
        box += " (critical)"; // every box of the main window shows the stop icon
    QCOMPARE(s.toolkit.boxes, boxes);
    if (!picture.isEmpty())
        pictures::Compare(&s.window, picture);
}

// The window asks to be centred on its screen. A screen reader finds the
// entry fields named and the results described by their captions.
void TestW::placeAndScreenReader()
{
    Session s;
    QVERIFY(s.window.testAttribute(Qt::WA_Moved)); // placed by the program
    QCOMPARE(s.window.geometry().center(), s.window.screen()->availableGeometry().center());
    const auto* result =
        QAccessible::queryAccessibleInterface(s.window.findChild<QWidget*>("lblMean1"));
    QCOMPARE(result->text(QAccessible::Description), "Average Value");
    const auto* field =
        QAccessible::queryAccessibleInterface(s.window.findChild<QWidget*>("txtInput1"));
    QCOMPARE(field->text(QAccessible::Name), "Enter Precipitation ");
}

QTEST_MAIN(TestW)
#include "tst_mainwindow.moc"
