// Start-up: the command line of the real program, the program icon, and the
// last-resort report of an error that no window handles.
#include "app/application.h"
#include "app/start_up.h"
#include "errors/runtime_error.h"

#include <QIcon>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace rainfall;

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void programIcon();
    void escapedErrorIsReportedAndEndsProgram_data();
    void escapedErrorIsReportedAndEndsProgram();
};

// Help, version and refusals are answered without a display: the first line
// of standard output and of standard error.
void TestApplication::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    const QString usage = "Usage: average-rainfall [--help | --version]";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << usage + "|";
    QTest::newRow("-h after a Qt option")
        << QStringList{"--style", "fusion", "-h"} << 0 << usage + "|";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "average-rainfall 1.1.0|";
    QTest::newRow("unknown option")
        << QStringList{"--bogus"} << 2 << "|average-rainfall: unknown option '--bogus'";
    QTest::newRow("an argument") << QStringList{"-platform=xcb", "-"} << 2
                                 << "|average-rainfall: unexpected argument '-'";
    QTest::newRow("--thiessen with four files")
        << QStringList{"--thiessen", "g.csv", "b.wkt", "s.csv", "t.csv"} << 2
        << "|average-rainfall: --thiessen takes at most three files";
}

void TestApplication::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(display);
    program.setProcessEnvironment(environment);
    program.start(RAINFALL_PROGRAM, arguments, QIODevice::ReadOnly | QIODevice::Text);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString errors = program.readAllStandardError();
    QCOMPARE(QString(program.readAllStandardOutput()).section('\n', 0, 0) + "|" +
                 errors.section('\n', 0, 0),
             output);
    if (status == 2) // the error, then the usage
        QCOMPARE(errors.section('\n', 2, 2), "Usage: average-rainfall [--help | --version]");
}

// Every window shows the icon, and its own caption alone: with a display name
// of its own, Qt would add it to every title.
void TestApplication::programIcon()
{
    QCOMPARE(QGuiApplication::applicationDisplayName(), "average-rainfall");
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

// Thrown from inside the event loop, as a failing handler would: a critical
// box names the error, and the program ends with a failure status.
void TestApplication::escapedErrorIsReportedAndEndsProgram()
{
    QFETCH(std::function<void()>, fail);
    QFETCH(QString, named);
    QString seen;
    QTimer closer;
    closer.callOnTimeout([&seen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->windowTitle() + "|" + box->text().section('\n', 0, 0) + "|" +
                   QString::number(box->icon());
            box->accept();
        }
    });
    closer.start(10);
    QMetaObject::invokeMethod(qApp, fail, Qt::QueuedConnection);
    QCOMPARE(QCoreApplication::exec(), EXIT_FAILURE);
    QCOMPARE(seen, "Average Rainfall|" + named + "|" + QString::number(QMessageBox::Critical));
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
