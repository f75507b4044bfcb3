// The welcome window, driven by keys, read as a screen reader reads it, and
// compared with pictures.
#include "tests/pictures.h"
#include "tests/recording_toolkit.h"
#include "tests/welcome/platform.h"
#include "welcome/window/frmtip.h"

#include <QAccessible>
#include <QPointer>

using namespace rainfall;

namespace {

// The platform of one welcome window, with its tip file (null: none; the
// text "unreadable": one that cannot be read).
struct Platform {
    RecordingToolkit toolkit;
    ChosenRunTime runtime;
    ReadOnlyRegistry registry; // no system-information tool

    explicit Platform(const QByteArray& tipFile = {})
    {
        if (!tipFile.isNull())
            runtime.Write("TIPOFDAY.TXT", tipFile);
        runtime.unreadable = tipFile == "unreadable";
    }
    QPointer<frmTip> Open()
    {
        frmTip* tip = new frmTip({toolkit, runtime, registry, DefaultLauncher()});
        tip->show();
        QApplication::setActiveWindow(tip);
        if (!QTest::qWaitForWindowActive(tip))
            qFatal("the welcome window does not become active");
        return tip;
    }
};

} // namespace

class TestWelcome : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    // First, so that the first picture is the first window the test draws.
    void tip_data();
    void tip();
    void keys();
};

void TestWelcome::initTestCase()
{
    pictures::Prepare();
}

void TestWelcome::cleanup()
{
    qDeleteAll(QApplication::topLevelWidgets());
}

// From start-up, where the focus is on OK, Tab walks the tip panel, System
// Info and OK. Return presses the focused button, and elsewhere OK, the
// default button; OK closes the window and accepts it.
void TestWelcome::keys()
{
    Platform platform("Tip\r\n");
    const QPointer<frmTip> tip = platform.Open();
    bool accepted = false;
    connect(tip, &QDialog::accepted, [&accepted] { accepted = true; });
    QStringList focus{tip->focusWidget()->objectName()};
    for (const char* key : {"Tab", "Tab", "Return", "Backtab", "Return"}) {
        QTest::keyClick(tip->focusWidget(), QKeySequence(key)[0].key());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        focus << (tip ? tip->focusWidget()->objectName() : "closed");
    }
    QCOMPARE(focus.join(' '), "cmdOK Picture1 Command1 Command1 Picture1 closed");
    QVERIFY(accepted);
    QCOMPARE(platform.toolkit.boxes,
             QStringList{"Average Rainfall|System Information Is Unavailable At This Time"});
}

// The tip as a screen reader reads it, where it is given; the window compared
// with the picture, where one is named: under a palette in which every system
// colour differs, or, for "-dark", under a dark one.
void TestWelcome::tip_data()
{
    QTest::addColumn<QByteArray>("tipFile");
    QTest::addColumn<QString>("shown"); // null: not read
    QTest::addColumn<QString>("picture");
    // The tip drawn at random, 0.5, of three: the second. How its ampersands
    // underline and its markup shows, the pictures show.
    const QByteArray tip = "First tip\r\nTo draw Thiessen polygons, join neighbouring gauges by "
                           "straight lines, then draw the perpendicular bisector of each line; "
                           "the bisectors enclose one polygon around each gauge. R&&D, &Save, "
                           "<b>x</b>  y.\r\nThird tip\r\n";
    QTest::newRow("a tip") << tip << QString() << "welcome-window";
    QTest::newRow("no tip file") << QByteArray()
                                 << "That the TIPOFDAY.TXT file was not found? \n\nCreate a text "
                                    "file named TIPOFDAY.TXT using NotePad with 1 tip per line. "
                                    "Then place it in the same directory as the application. "
                                 << "welcome-window-no-tip-file";
    QTest::newRow("a tip, dark desktop") << tip << QString() << "welcome-window-dark";
    QTest::newRow("unreadable tip file")
        << QByteArray("unreadable")
        << "The tip file \"TIPOFDAY.TXT\" could not be read: input/output error."
        << "";
    QTest::newRow("ampersands") << QByteArray("R&&D, &Save") << "R&D, Save"
                                << "";
    // A tip is in the system's code page.
    QTest::newRow("in the system's code page")
        << QString("Pluie à Zürich – 5 €").toLocal8Bit() << "Pluie à Zürich – 5 €"
        << "";
    // The panel shows some ten lines of some fifty characters; a tip of any
    // size is cut to 4096 characters and 65 lines before it is laid out.
    QTest::newRow("one line of 5000 characters: the first 4096")
        << QByteArray(5000, 'x') << QString(4096, 'x') << "";
    QByteArray lines;
    for (int i = 1; i <= 66; ++i)
        lines += "Tip line " + QByteArray::number(i) + "\n";
    QTest::newRow("66 lines joined by line feeds: the first 65")
        << lines << QString(lines).section('\n', 0, 64) << "";
}

void TestWelcome::tip()
{
    QFETCH(QByteArray, tipFile);
    QFETCH(QString, shown);
    QFETCH(QString, picture);
    QApplication::setPalette(picture.endsWith("-dark") ? pictures::Dark() : pictures::Distinct());
    Platform platform(tipFile);
    const QPointer<frmTip> window = platform.Open();
    const auto* panel =
        QAccessible::queryAccessibleInterface(window->findChild<QWidget*>("Picture1"));
    if (!shown.isNull())
        QCOMPARE(panel->text(QAccessible::Description), shown);
    if (!picture.isEmpty())
        pictures::Compare(window, picture);
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
