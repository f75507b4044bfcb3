// The welcome window, driven by keys, read as a screen reader reads it, and
// compared with pictures.
#include "tests/pictures.h"
#include "tests/recording_toolkit.h"
#include "tests/welcome/platform.h"
#include "welcome/window/frmtip.h"

#include <QAccessible>
#include <QPointer>
#include <QScopeGuard>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace rainfall;

namespace {

// The platform of one welcome window, with its tip file (null: none).
struct Platform {
    RecordingToolkit toolkit;
    ChosenRunTime runtime;
    ReadOnlyRegistry registry; // no system-information tool

    explicit Platform(const QByteArray& tipFile = {})
    {
        if (!tipFile.isNull())
            runtime.Write("TIPOFDAY.TXT", tipFile);
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
    void keys();
    void tipPanel_data();
    void tipPanel();
    void pictures_data();
    void pictures();
};

void TestWelcome::initTestCase()
{
    pictures::Prepare();
}

void TestWelcome::cleanup()
{
    qDeleteAll(QApplication::topLevelWidgets());
    QApplication::setPalette(pictures::Distinct());
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

// The tip as a screen reader reads the panel named "Tip of the day"; how its
// ampersands underline and its markup shows, the pictures show.
void TestWelcome::tipPanel_data()
{
    QTest::addColumn<QByteArray>("tipFile");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, const QByteArray& tip, const QString& shown) {
        QTest::newRow(name) << tip << shown;
    };
    // One that cannot be read even by root: a link to /proc/self/mem or, on
    // Windows, a file the test holds open without sharing it.
#ifdef Q_OS_WIN
    row("unreadable tip file", "unreadable",
        "The tip file \"TIPOFDAY.TXT\" could not be read: permission denied.");
#else
    row("unreadable tip file", "unreadable",
        "The tip file \"TIPOFDAY.TXT\" could not be read: input/output error.");
#endif
    // The panel shows some ten lines; a tip of any size is cut to 65 lines
    // before it is laid out.
    QByteArray lines;
    for (int i = 1; i <= 66; ++i)
        lines += "Tip line " + QByteArray::number(i) + "\n";
    row("66 lines joined by line feeds: the first 65", lines, QString(lines).section('\n', 0, 64));
}

void TestWelcome::tipPanel()
{
    QFETCH(QByteArray, tipFile);
    QFETCH(QString, shown);
    const bool unreadable = tipFile == "unreadable";
    Platform platform(unreadable ? QByteArray() : tipFile);
    const QString file = platform.runtime.directory.filePath("TIPOFDAY.TXT");
#ifdef Q_OS_WIN
    const HANDLE held = unreadable ? CreateFileW(file.toStdWString().c_str(), GENERIC_WRITE, 0,
                                                 nullptr, CREATE_NEW, 0, nullptr)
                                   : nullptr;
    QVERIFY(held != INVALID_HANDLE_VALUE);
    const auto release = qScopeGuard([held] {
        if (held)
            CloseHandle(held);
    });
#else
    QVERIFY(!unreadable || QFile::link("/proc/self/mem", file));
#endif
    const QPointer<frmTip> tip = platform.Open();
    const auto* panel = QAccessible::queryAccessibleInterface(tip->findChild<QWidget*>("Picture1"));
    QCOMPARE(panel->text(QAccessible::Name), "Tip of the day");
    QCOMPARE(panel->text(QAccessible::Description), shown);
}

// With a tip and with the text about the missing tip file, under a palette in
// which every system colour differs, and with a tip under a dark one.
void TestWelcome::pictures_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<QByteArray>("tipFile");
    // The tip drawn at random, 0.5, of three: the second.
    const QByteArray tip = "First tip\r\nTo draw Thiessen polygons, join neighbouring gauges by "
                           "straight lines, then draw the perpendicular bisector of each line; "
                           "the bisectors enclose one polygon around each gauge. R&&D, &Save, "
                           "<b>x</b>  y.\r\nThird tip\r\n";
    QTest::newRow("welcome-window") << pictures::Distinct() << tip;
    QTest::newRow("welcome-window-no-tip-file") << pictures::Distinct() << QByteArray();
    QTest::newRow("welcome-window-dark") << pictures::Dark() << tip;
}

void TestWelcome::pictures()
{
    QFETCH(QPalette, palette);
    QFETCH(QByteArray, tipFile);
    QApplication::setPalette(palette);
    Platform platform(tipFile);
    pictures::Compare(platform.Open(), QTest::currentDataTag());
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
