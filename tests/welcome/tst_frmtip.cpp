// The welcome window: start-up, keyboard, hand-over to the main window, the
// texts shown instead of a tip, and the layout of every control.
#include "frmtip.h"
#include "layout.h"
#include "welcome_fakes.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

using namespace rainfall;

namespace {

class RecordingToolkit : public Toolkit {
public:
    struct Box {
        QWidget* parent;
        QString prompt;
        int style;
        QString title;
    };
    std::vector<Box> boxes;

    void MsgBox(QWidget* parent, const QString& prompt, int style, const QString& title) override
    {
        boxes.push_back({parent, prompt, style, title});
    }
    void Beep() override {}
    void End() override {}
};

// The platform of one welcome window: a program directory of the test's own,
// an empty registry, and nothing that really starts a program.
struct Platform {
    QTemporaryDir programDirectory;
    RecordingToolkit toolkit;
    ChosenRunTime runtime;
    RecordingRegistry registry;
    RecordingLauncher launcher;

    Platform()
    {
        runtime.programDirectory = QFile::encodeName(programDirectory.path()).toStdString();
    }

    QString tipFile() const { return QDir(programDirectory.path()).filePath("TIPOFDAY.TXT"); }

    void writeTips(const QByteArray& bytes) const
    {
        QFile file(tipFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QPointer<frmTip> open()
    {
        return new frmTip(WelcomeServices{toolkit, runtime, registry, launcher});
    }
};

template <typename T = QWidget> T* Child(QWidget* window, const char* name)
{
    T* child = window->findChild<T*>(name);
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

QList<QWidget*> MainWindows()
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "W")
            found << widget;
    return found;
}

// The text as the label lays it out: plain, or rich text turned into text.
void LoadDocument(QTextDocument& document, const QLabel* label)
{
    if (label->textFormat() == Qt::PlainText)
        document.setPlainText(label->text());
    else
        document.setHtml(label->text());
}

QString ShownText(const QLabel* label)
{
    QTextDocument document;
    LoadDocument(document, label);
    return document.toPlainText();
}

void ShowAndActivate(QWidget* window)
{
    window->show();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
}

} // namespace

class TestFrmTip : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void opensCentredWithFocusOnOk();
    void tabCycle_data();
    void tabCycle();
    void keys_data();
    void keys();
    void programEnds_data();
    void programEnds();
    void tipLabel_data();
    void tipLabel();
    void unreadableTipFileStillLeadsOn_data();
    void unreadableTipFileStillLeadsOn();
    void windowAttributes();
    void controls_data();
    void controls();
    void frameLines_data();
    void frameLines();
};

// Every window a test leaves open is closed before the next test.
void TestFrmTip::cleanup()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<frmTip*>(widget) != nullptr || widget->objectName() == "W")
            delete widget;
}

void TestFrmTip::opensCentredWithFocusOnOk()
{
    Platform platform;
    const QPointer<frmTip> tip = platform.open();
    ShowAndActivate(tip);

    QCOMPARE(QApplication::focusWidget(), Child(tip, "cmdOK"));
    const QPoint screenCentre = tip->screen()->availableGeometry().center();
    QVERIFY2((tip->geometry().center() - screenCentre).manhattanLength() <= 2,
             qPrintable(QString("window centre %1,%2")
                            .arg(tip->geometry().center().x())
                            .arg(tip->geometry().center().y())));
    QCOMPARE(platform.runtime.seeds, 1);
}

void TestFrmTip::tabCycle_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QStringList>("focusAfterEachKey");

    QTest::newRow("Tab") << Qt::KeyboardModifiers() << QStringList{"Picture1", "Command1", "cmdOK"};
    QTest::newRow("Shift+Tab") << Qt::KeyboardModifiers(Qt::ShiftModifier)
                               << QStringList{"Command1", "Picture1", "cmdOK"};
}

void TestFrmTip::tabCycle()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QStringList, focusAfterEachKey);
    Platform platform;
    const QPointer<frmTip> tip = platform.open();
    ShowAndActivate(tip);

    for (const QString& name : focusAfterEachKey) {
        QTest::keyClick(QApplication::focusWidget(),
                        modifiers & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
}

void TestFrmTip::keys_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("pressed"); // "OK", "System Info" or nothing

    QTest::newRow("Enter on OK") << "cmdOK" << int(Qt::Key_Return) << "OK";
    QTest::newRow("keypad Enter on OK") << "cmdOK" << int(Qt::Key_Enter) << "OK";
    QTest::newRow("Escape on OK") << "cmdOK" << int(Qt::Key_Escape) << "OK";
    QTest::newRow("Space on OK") << "cmdOK" << int(Qt::Key_Space) << "OK";
    QTest::newRow("Enter on the tip panel") << "Picture1" << int(Qt::Key_Return) << "OK";
    QTest::newRow("Escape on the tip panel") << "Picture1" << int(Qt::Key_Escape) << "OK";
    QTest::newRow("Space on the tip panel") << "Picture1" << int(Qt::Key_Space) << "";
    QTest::newRow("Enter on System Info") << "Command1" << int(Qt::Key_Return) << "System Info";
    QTest::newRow("Space on System Info") << "Command1" << int(Qt::Key_Space) << "System Info";
    QTest::newRow("Escape on System Info") << "Command1" << int(Qt::Key_Escape) << "OK";
}

void TestFrmTip::keys()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, pressed);
    Platform platform;
    const QPointer<frmTip> tip = platform.open();
    ShowAndActivate(tip);
    Child(tip, focus.toLatin1())->setFocus();
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(tip.isNull(), pressed == "OK");
    QCOMPARE(MainWindows().size(), pressed == "OK" ? 1 : 0);
    // System Info ran: it asked the registry and, finding nothing, said so
    // in an untitled box over this window.
    QCOMPARE(platform.registry.opens.empty(), pressed != "System Info");
    if (pressed != "System Info") {
        QVERIFY(platform.toolkit.boxes.empty());
        return;
    }
    QCOMPARE(platform.toolkit.boxes.size(), std::size_t{1});
    const RecordingToolkit::Box& box = platform.toolkit.boxes.front();
    QCOMPARE(box.prompt, "System Information Is Unavailable At This Time");
    QCOMPARE(box.style, 0);
    QVERIFY(box.title.isEmpty());
    QCOMPARE(box.parent, tip.data());
    QVERIFY(tip->isVisible());
}

// The real event loop: OK leaves the program running with the main window,
// closing the welcome window any other way ends it without one.
void TestFrmTip::programEnds_data()
{
    QTest::addColumn<bool>("pressOk");
    QTest::newRow("OK, then the main window closed") << true;
    QTest::newRow("close box of the welcome window") << false;
}

void TestFrmTip::programEnds()
{
    QFETCH(bool, pressOk);
    Platform platform;
    const QPointer<frmTip> tip = platform.open();
    tip->show();
    bool mainWindowSeenRunning = false;
    bool mainWindowEverShown = false;

    QTimer::singleShot(0, tip, [&] {
        if (pressOk)
            Child<QPushButton>(tip, "cmdOK")->click();
        else
            tip->windowHandle()->close(); // what the window manager's close box does
    });
    QTimer::singleShot(300, qApp, [&] {
        const QList<QWidget*> main = MainWindows();
        mainWindowEverShown = !main.isEmpty();
        // One main window, shown without an owner and not modal, after the
        // welcome window was unloaded.
        if (main.size() == 1 && main[0]->isVisible() && tip.isNull() &&
            main[0]->parentWidget() == nullptr && main[0]->windowModality() == Qt::NonModal &&
            QApplication::activeModalWidget() == nullptr) {
            mainWindowSeenRunning = true;
            main[0]->windowHandle()->close();
        }
    });
    QTimer::singleShot(10000, qApp, [] { QApplication::exit(99); });
    const int status = QApplication::exec();

    QCOMPARE(status, 0); // ended because its last window closed, not by the time limit
    QVERIFY(tip.isNull());
    QCOMPARE(mainWindowSeenRunning, pressOk);
    QCOMPARE(mainWindowEverShown, pressOk);
}

void TestFrmTip::tipLabel_data()
{
    QTest::addColumn<QByteArray>("tipFile"); // null: no tip file
    QTest::addColumn<QByteArray>("inWorkingDirectory");
    QTest::addColumn<float>("r");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("underlined"); // position of the underlined character, or -1

    const QString notFound = "That the TIPOFDAY.TXT file was not found? \n\n"
                             "Create a text file named TIPOFDAY.TXT using NotePad with 1 tip per "
                             "line. Then place it in the same directory as the application. ";
    QTest::newRow("tip chosen at random") << QByteArray("First tip\r\nSecond tip\r\nThird tip\r\n")
                                          << QByteArray() << 0.5f << "Second tip" << -1;
    QTest::newRow("no tip file") << QByteArray() << QByteArray() << 0.f << notFound << -1;
    QTest::newRow("tip file only in the working directory")
        << QByteArray() << QByteArray("A tip\r\n") << 0.f << notFound << -1;
    QTest::newRow("empty tip file") << QByteArray("") << QByteArray() << 0.f << "" << -1;
    QTest::newRow("one ampersand underlines")
        << QByteArray("Save &Time\r\n") << QByteArray() << 0.f << "Save Time" << 5;
    QTest::newRow("8-bit text in the system code page")
        << QByteArray("R\xc3\xa9gion\r\n") << QByteArray() << 0.f
        << QString::fromUtf8("R\u00e9gion") << -1;
}

void TestFrmTip::tipLabel()
{
    QFETCH(QByteArray, tipFile);
    QFETCH(QByteArray, inWorkingDirectory);
    QFETCH(float, r);
    QFETCH(QString, shown);
    QFETCH(int, underlined);
    Platform platform;
    if (!tipFile.isNull())
        platform.writeTips(tipFile);
    QTemporaryDir working;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(working.path()));
    if (!inWorkingDirectory.isNull()) {
        QFile file("TIPOFDAY.TXT");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(inWorkingDirectory);
    }
    platform.runtime.draws = {r};

    const QPointer<frmTip> tip = platform.open();
    QVERIFY(QDir::setCurrent(before));

    const auto* label = Child<QLabel>(tip, "lblTipText");
    QCOMPARE(ShownText(label), shown);
    QCOMPARE(label->accessibleName(), shown);
    QCOMPARE(label->accessibleDescription(), "Did you know...");
    QTextDocument document;
    LoadDocument(document, label);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment piece = fragment.fragment();
            const bool isUnderlined = piece.charFormat().fontUnderline();
            const bool shouldBe =
                piece.position() <= underlined && underlined < piece.position() + piece.length();
            QVERIFY2(isUnderlined == shouldBe, qPrintable(piece.text()));
        }
}

void TestFrmTip::unreadableTipFileStillLeadsOn_data()
{
    QTest::addColumn<bool>("noPermission");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no read permission")
        << true << "The tip file \"TIPOFDAY.TXT\" could not be read: permission denied.";
    QTest::newRow("read fails")
        << false << "The tip file \"TIPOFDAY.TXT\" could not be read: input/output error.";
}

void TestFrmTip::unreadableTipFileStillLeadsOn()
{
    QFETCH(bool, noPermission);
    QFETCH(QString, shown);
    Platform platform;
    if (noPermission) {
        if (::geteuid() == 0)
            QSKIP("running as root, which may read a file without read permission");
        platform.writeTips("A tip\r\n");
        QVERIFY(QFile::setPermissions(platform.tipFile(), QFileDevice::WriteOwner));
    } else {
        // Reading a process's memory at address 0 fails even for root.
        QVERIFY(QFile::link("/proc/self/mem", platform.tipFile()));
    }

    const QPointer<frmTip> tip = platform.open();
    QCOMPARE(ShownText(Child<QLabel>(tip, "lblTipText")), shown);

    ShowAndActivate(tip);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(tip.isNull());
    QCOMPARE(MainWindows().size(), 1);
}

void TestFrmTip::windowAttributes()
{
    Platform platform;
    const QPointer<frmTip> tip = platform.open();
    ShowAndActivate(tip);

    QCOMPARE(tip->objectName(), "frmTip");
    QCOMPARE(tip->windowTitle(), "Wellcome to Dodudadez Orovodo Rezudi");
    QCOMPARE(tip->size(), QSize(588, 341));
    QCOMPARE(tip->minimumSize(), tip->maximumSize());
    const Qt::WindowFlags flags = tip->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(tip->autoFillBackground());
    QCOMPARE(tip->palette().color(QPalette::Window), QColor(0, 0, 0));
    QCOMPARE(tip->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    const QFont font = tip->font();
    QCOMPARE(font.family(), PlatformFont("System", 9.75, true).family());
    QCOMPARE(font.pointSizeF(), 9.75);
    QVERIFY(font.bold());
    QVERIFY(font.italic());
    QCOMPARE(Child(tip, "Label9")->property("index"), QVariant(0));
    QCOMPARE(QAccessible::queryAccessibleInterface(Child(tip, "cmdOK"))->text(QAccessible::Name),
             "OK");
    QCOMPARE(QAccessible::queryAccessibleInterface(Child(tip, "Command1"))->text(QAccessible::Name),
             "System Info");
}

void TestFrmTip::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips"); // left, top, width, height
    QTest::addColumn<QString>("face");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("text");       // invalid: the platform's own
    QTest::addColumn<QColor>("background"); // invalid: transparent or the platform's own
    QTest::addColumn<QString>("caption");   // null: not fixed

    const QColor green(0, 255, 0), red(255, 0, 0), blue(0, 0, 255), magenta(255, 0, 255);
    const QColor none;
    const auto row = [](const char* name) -> QTestData& {
        return QTest::newRow(name) << QString(name);
    };

    row("Picture1") << QRect(240, 1440, 3135, 2355) << "MS Sans Serif" << 8.25 << false
                    << SystemColour(8) << SystemColour(5) << QString();
    row("Label1") << QRect(0, 0, 4815, 255) << "MS Sans Serif" << 8.25 << true
                  << QColor(0, 255, 255) << SystemColour(7) << "Did you know...";
    row("lblTipText") << QRect(0, 240, 3135, 3075) << "Times New Roman" << 9.0 << true
                      << QColor(255, 255, 0) << SystemColour(6) << QString();
    row("Label2") << QRect(1680, 120, 6495, 735) << "Arial Narrow" << 12.0 << true << green << none
                  << QString();
    row("Label3") << QRect(3840, 1680, 2055, 375) << "Times New Roman" << 12.0 << true << red
                  << none << "Acknowledgements";
    row("Label4") << QRect(3480, 2040, 1575, 375) << "Arial Narrow" << 9.0 << false << blue << none
                  << QString();
    row("Label8") << QRect(5520, 2040, 1695, 255) << "MS Sans Serif" << 8.25 << false << magenta
                  << none << "Asst.  Professor";
    row("Label5") << QRect(3480, 2280, 1935, 255) << "Arial Narrow" << 9.0 << false << blue << none
                  << QString();
    row("Label9") << QRect(5520, 2280, 1455, 255) << "MS Sans Serif" << 8.25 << false << magenta
                  << none << "Sr. Lecturer";
    row("Label6") << QRect(3480, 2520, 1455, 255) << "Arial Narrow" << 9.0 << false << blue << none
                  << QString();
    row("Label10") << QRect(5520, 2520, 1335, 255) << "MS Sans Serif" << 8.25 << false << magenta
                   << none << "Sr. lecturer";
    row("Label7") << QRect(3480, 2760, 1695, 375) << "Arial Narrow" << 9.0 << false << blue << none
                  << QString();
    row("Label11") << QRect(5520, 2760, 1335, 255) << "MS Sans Serif" << 8.25 << false << magenta
                   << none << "Sr. Lecturer";
    row("cmdOK") << QRect(3480, 3360, 1215, 375) << "MS Sans Serif" << 8.25 << false << none << none
                 << "OK";
    row("Command1") << QRect(5520, 3360, 1215, 375) << "Arial" << 9.0 << false << none << none
                    << "System Info";
    row("Label12") << QRect(600, 4200, 8055, 495) << "Arial" << 14.25 << true << blue << none
                   << QString();
    row("Label13") << QRect(2640, 4560, 4095, 375) << "Arial Narrow" << 14.25 << true << magenta
                   << none << QString();
}

void TestFrmTip::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, face);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    QFETCH(QString, caption);
    Platform platform;
    const QPointer<frmTip> tip = platform.open();
    ShowAndActivate(tip);
    QWidget* control = Child(tip, name.toLatin1());

    // Inside the tip panel, positions count from the panel's inner area and
    // the panel cuts its controls off at its border.
    auto* panel = Child<QFrame>(tip, "Picture1");
    const bool inPanel = control != panel && panel->isAncestorOf(control);
    QWidget* origin = inPanel ? control->parentWidget() : tip.data();
    QCOMPARE(control->parentWidget(), inPanel ? origin : tip.data());
    if (inPanel) {
        QCOMPARE(origin->parentWidget(), panel);
        QCOMPARE(origin->geometry(), panel->contentsRect());
    }
    QCOMPARE(control->geometry(), QRect(Pixels(twips.x()), Pixels(twips.y()), Pixels(twips.width()),
                                        Pixels(twips.height())));

    const QFont font = control->font();
    QCOMPARE(font.family(), PlatformFont(face, points, bold).family());
    QCOMPARE(QFontInfo(font).family(), font.family()); // the face is installed
    QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.bold(), bold);
    QVERIFY(!font.italic());

    if (text.isValid())
        QCOMPARE(control->palette().color(QPalette::WindowText), text);
    QCOMPARE(control->autoFillBackground(), background.isValid());
    if (background.isValid())
        QCOMPARE(control->palette().color(QPalette::Window), background);

    if (auto* label = qobject_cast<QLabel*>(control)) {
        QVERIFY(label->wordWrap());
        QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        if (!caption.isNull())
            QCOMPARE(ShownText(label), caption);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), caption);
    } else {
        QCOMPARE(panel->frameShape(), QFrame::Box);
        QCOMPARE(panel->frameShadow(), QFrame::Plain);
        QCOMPARE(panel->lineWidth(), 1);
    }
}

// Highlight-coloured lines on the left, right and bottom edges, none on top;
// the tip panel's own line lies outside what the panel shows.
void TestFrmTip::frameLines_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<bool>("onALine");

    QTest::newRow("left edge") << QPoint(1, 170) << true;
    QTest::newRow("right edge") << QPoint(584, 170) << true;
    QTest::newRow("bottom edge") << QPoint(300, 336) << true;
    QTest::newRow("bottom left corner") << QPoint(1, 336) << true;
    QTest::newRow("top edge") << QPoint(300, 1) << false;
    QTest::newRow("inside the left line's width") << QPoint(3, 170) << false;
}

void TestFrmTip::frameLines()
{
    QFETCH(QPoint, pixel);
    QFETCH(bool, onALine);
    Platform platform;
    const QPointer<frmTip> tip = platform.open();
    const QImage image = tip->grab().toImage();
    const QColor highlight = SystemColour(13);

    QCOMPARE(image.pixelColor(pixel) == highlight, onALine);
    const QRect panel = Child(tip, "Picture1")->geometry();
    for (int y = panel.top(); y <= panel.bottom(); ++y)
        for (int x = panel.left(); x <= panel.right(); ++x)
            QVERIFY(image.pixelColor(x, y) != SystemColour(2));
}

QTEST_MAIN(TestFrmTip)
#include "tst_frmtip.moc"
