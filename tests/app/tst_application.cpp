// The last-resort report of an error that no window handles.
#include "application.h"
#include "runtime_error.h"

#include <QEvent>
#include <QMessageBox>
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
    void escapedErrorIsReportedAndEndsProgram_data();
    void escapedErrorIsReportedAndEndsProgram();
};

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
