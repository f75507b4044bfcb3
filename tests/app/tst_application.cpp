// Start-up: the command line of the real program, the program icon, the
// hand-over from the welcome window to the main window, and the last-resort
// report of an error that no window handles.
#include "app/application.h"
#include "app/start_up.h"
#include "errors/runtime_error.h"

#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace rainfall;

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void programIcon();
    void handOver_data();
    void handOver();
    void escapedErrorIsReportedAndEndsProgram();
};

// Help, version and refusals are answered without a display: the first line
// of standard output, with its line break, and of standard error.
void TestApplication::commandLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    const QString program = RAINFALL_PROGRAM;
    QTest::newRow("-h after a Qt option") << program << QStringList{"--style", "fusion", "-h"} << 0
                                          << "Usage: average-rainfall [--help | --version]\n|";
    QTest::newRow("unknown option")
        << program << QStringList{"--bogus"} << 2 << "|average-rainfall: unknown option '--bogus'";
#ifdef RAINFALL_THIESSEN_PROGRAM
    QTest::newRow("Thiessen window, --version")
        << RAINFALL_THIESSEN_PROGRAM << QStringList{"--version"} << 0
        << "average-rainfall-thiessen 1.1.0\n|";
    QTest::newRow("Thiessen window, four files")
        << RAINFALL_THIESSEN_PROGRAM << QStringList{"g.csv", "b.wkt", "s.csv", "-style", "f", "t"}
        << 2 << "|average-rainfall-thiessen: unexpected argument 't'";
#endif
}

void TestApplication::commandLine()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    constexpr auto Line = QString::SectionIncludeTrailingSep;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments, QIODevice::ReadOnly | QIODevice::Text);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    const QString errors = process.readAllStandardError();
    QCOMPARE(QString(process.readAllStandardOutput()).section('\n', 0, 0, Line) + "|" +
                 errors.section('\n', 0, 0),
             output);
    if (status == 2) // the error, then the usage
        QVERIFY(errors.section('\n', 2, 2).startsWith("Usage: " + QFileInfo(program).baseName()));
}

// The desktop shows the program's icon on every window and in its task bar,
// in the size that suits each place.
void TestApplication::programIcon()
{
    SetProgramIcon();
    QCOMPARE(QApplication::windowIcon().availableSizes(),
             (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
}

namespace {

// Records each window that comes, with its title bar: its title, and whether
// it asks for a close box alone rather than the desktop's usual buttons, and
// whether it blocks other windows or belongs to one; and each that goes.
class WindowWatcher : public QObject {
public:
    QStringList seen;

    bool eventFilter(QObject* object, QEvent* event) override
    {
        const auto* window = qobject_cast<QWidget*>(object);
        constexpr Qt::WindowFlags buttons = Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint |
                                            Qt::WindowMinMaxButtonsHint |
                                            Qt::WindowContextHelpButtonHint;
        if (!window || !window->isWindow() || window->objectName().isEmpty())
            return false;
        if (event->type() == QEvent::Show)
            seen << window->objectName() + " comes: " + window->windowTitle() +
                        ((window->windowFlags() & buttons) ==
                                 (Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint)
                             ? ", close box alone"
                             : ", other buttons") +
                        (window->isModal() ? ", modal" : "") +
                        (window->parentWidget() ? ", owned" : "");
        if (event->type() == QEvent::Hide)
            seen << window->objectName() + " goes";
        return false;
    }
};

} // namespace

// The real event loop: OK, or Escape, closes the welcome window, and then the
// main window opens, and the program runs on with it until its Exit (Alt+X)
// ends it; closing the welcome window any other way ends the program without
// the main window.
void TestApplication::handOver_data()
{
    QTest::addColumn<QString>("how");
    for (const char* how : {"OK", "Escape", "close box"})
        QTest::newRow(how) << QString(how);
}

void TestApplication::handOver()
{
    QFETCH(QString, how);
    WindowWatcher watcher;
    qApp->installEventFilter(&watcher);
    QWidget* welcome = OpenWelcomeWindow();
    QObject timers; // none of them outlives this test
    QTimer::singleShot(0, &timers, [welcome, how] {
        if (how == "OK")
            welcome->findChild<QPushButton*>("cmdOK")->click();
        else if (how == "Escape")
            QTest::keyClick(welcome, Qt::Key_Escape);
        else
            welcome->windowHandle()->close(); // what the desktop's close box does
    });
    QTimer::singleShot(300, &timers, [] {
        if (QWidget* main = QApplication::activeWindow())
            QTest::keyClick(main, Qt::Key_X, Qt::AltModifier);
    });
    QTimer::singleShot(5000, &timers, [] { QApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0); // ended by the program, not the time limit
    qApp->removeEventFilter(&watcher);
    QStringList expected{"frmTip comes: Wellcome to Dodudadez Orovodo Rezudi, close box alone",
                         "frmTip goes"};
    if (how != "close box")
        expected << "W comes: Average Rainfall by Dadazezez Azuveze Duvuvi, close box alone";
    QCOMPARE(watcher.seen, expected);
    qDeleteAll(QApplication::topLevelWidgets());
}

// Thrown from inside the event loop, as a failing handler would: a critical
// box names the error, and the program ends with a failure status.
void TestApplication::escapedErrorIsReportedAndEndsProgram()
{
    for (const bool runtimeError : {true, false}) {
        QString seen;
        QTimer closer;
        closer.callOnTimeout([&seen] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon());
                box->accept();
            }
        });
        closer.start(10);
        QTimer::singleShot(0, [runtimeError] {
            if (runtimeError)
                throw RuntimeError(RuntimeError::Kind::DivisionByZero, "the sum of areas is zero");
            throw std::bad_alloc();
        });
        QCOMPARE(QCoreApplication::exec(), EXIT_FAILURE);
        const QString named = runtimeError
                                  ? "Run-time error: Division by zero: the sum of areas is zero"
                                  : "std::bad_alloc";
        QCOMPARE(seen, "Average Rainfall|" + named + "\n\nThe program will end.|" +
                           QString::number(QMessageBox::Critical));
    }
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
