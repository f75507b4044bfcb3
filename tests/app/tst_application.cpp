// Start-up: the command line of the real program, the program icon, and the
// last-resort report of an error that no window handles.
#include "app/application.h"
#include "app/start_up.h"
#include "stats/runtime_error.h"

#include <QIcon>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace rainfall;

namespace {

// Throws from inside the event loop, as a failing handler would.
class FailingObject : public QObject {
public:
    explicit FailingObject(std::function<void()> fail) : fail_(std::move(fail)) {}

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            fail_();
        return QObject::event(event);
    }

private:
    std::function<void()> fail_;
};

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Closes the first message box that opens and remembers what it showed.
void CloseNextMessageBox(SeenBox& seen)
{
    QTimer::singleShot(10, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            CloseNextMessageBox(seen);
            return;
        }
        seen = {box->windowTitle(), box->text(), box->icon()};
        box->accept();
    });
}

} // namespace

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void programIcon();
    void escapedErrorIsReportedAndEndsProgram_data();
    void escapedErrorIsReportedAndEndsProgram();
};

// Help, version and refusals are answered without a display.
void TestApplication::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");      // its first line
    QTest::addColumn<QString>("errorOutput"); // its first line

    QTest::newRow("--help") << QStringList{"--help"} << 0
                            << "Usage: average-rainfall [--help | --version]"
                            << "";
    QTest::newRow("-h after a Qt option") << QStringList{"-style", "fusion", "-h"} << 0
                                          << "Usage: average-rainfall [--help | --version]"
                                          << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "average-rainfall 1.1.0"
                               << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << ""
                                    << "average-rainfall: unknown option '--bogus'";
    QTest::newRow("an argument") << QStringList{"-platform=xcb", "tips.txt"} << 2 << ""
                                 << "average-rainfall: unexpected argument 'tips.txt'";
}

void TestApplication::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, errorOutput);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(display);
    program.setProcessEnvironment(environment);
    program.start(RAINFALL_PROGRAM, arguments, QIODevice::ReadOnly | QIODevice::Text);
    QVERIFY(program.waitForFinished(10000));

    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QCOMPARE(QString(program.readAllStandardOutput()).section('\n', 0, 0), output);
    const QString errors = program.readAllStandardError();
    QCOMPARE(errors.section('\n', 0, 0), errorOutput);
    if (status == 2) // the error, then the usage
        QCOMPARE(errors.section('\n', 2, 2), "Usage: average-rainfall [--help | --version]");
}

void TestApplication::programIcon()
{
    SetProgramIcon();
    QCOMPARE(QApplication::windowIcon().availableSizes(),
             (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
}

void TestApplication::escapedErrorIsReportedAndEndsProgram_data()
{
    QTest::addColumn<std::function<void()>>("fail");
    QTest::addColumn<QString>("named");

    QTest::newRow("run-time error") << std::function<void()>([] {
        throw RuntimeError(RuntimeError::Kind::DivisionByZero, "the sum of areas is zero");
    }) << "Run-time error: Division by zero: the sum of areas is zero";
    QTest::newRow("other exception")
        << std::function<void()>([] { throw std::bad_alloc(); }) << "std::bad_alloc";
}

void TestApplication::escapedErrorIsReportedAndEndsProgram()
{
    QFETCH(std::function<void()>, fail);
    QFETCH(QString, named);

    FailingObject failing(fail);
    SeenBox seen;
    CloseNextMessageBox(seen);
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));

    QCOMPARE(QCoreApplication::exec(), EXIT_FAILURE);
    QCOMPARE(seen.title, QString("Average Rainfall"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY2(seen.text.startsWith(named), qPrintable(seen.text));
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
