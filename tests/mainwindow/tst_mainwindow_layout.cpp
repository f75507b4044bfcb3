// The look of the main window: the window itself, every control's place, font,
// colours and tab index, the ruling lines on the screen, the banners and what a
// screen reader is told. Places are given in twips, 15 to a pixel.
#include "layout.h"
#include "window_session.h"

#include <QAccessible>
#include <QFontInfo>
#include <QScreen>
#include <QTest>

using namespace rainfall;
using namespace rainfall::testing;

namespace {

QRect Twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QString AccessibleText(QWidget* widget, QAccessible::Text role)
{
    return QAccessible::queryAccessibleInterface(widget)->text(role);
}

} // namespace

class TestWLayout : public QObject {
    Q_OBJECT

private slots:
    void window();
    void controls_data();
    void controls();
    void rulingLines_data();
    void rulingLines();
    void banners();
    void screenReaderNames();
    void wideResultIsCutNotGrown();
};

void TestWLayout::window()
{
    WindowSession session;
    QVERIFY(session.active);
    const W& window = session.window;

    QCOMPARE(window.objectName(), "W");
    QCOMPARE(session.Focus(), "txtInput1");
    QCOMPARE(window.windowTitle(), "Average Rainfall by Dadazezez Azuveze Duvuvi");
    QCOMPARE(window.size(), QSize(552, 370));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(
        !(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(window.geometry().center(), window.screen()->availableGeometry().center());
    QCOMPARE(window.palette().color(QPalette::Window), QColor(224, 224, 224));
    QCOMPARE(window.font().family(), "Liberation Sans");
    QCOMPARE(window.font().pointSizeF(), 8.25);
    QVERIFY(window.font().bold());
    QCOMPARE(session.Button("cmdCompute")->property("BackColor").value<QColor>(),
             QColor(0, 255, 0));
}

void TestWLayout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("face");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<QColor>("colour"); // text of a caption, background of a result
    QTest::addColumn<int>("tabIndex");

    const QString sans = "Liberation Sans";
    const QString serif = "Liberation Serif";
    const QColor black(0, 0, 0);
    const QColor none;
    const auto row = [](const char* name, const char* kind, const QString& caption,
                        const QRect& place, const QString& face, qreal points, const QColor& colour,
                        int tabIndex) {
        QTest::newRow(name) << QString(name) << QString(kind) << caption << place << face << points
                            << colour << tabIndex;
    };
    row("Label1", "caption", "Number of Values", Twips(240, 360, 1575, 255), sans, 8.25, black, 0);
    row("lblNumber", "result", "", Twips(2400, 240, 1095, 375), sans, 9.75, SystemColour(5), 4);
    row("Label3", "caption", "Arithmetic Mean", Twips(240, 840, 1575, 255), sans, 8.25, black, 2);
    row("lblMean", "result", "", Twips(2400, 720, 1095, 375), serif, 9.75, SystemColour(14), 7);
    row("Label4", "caption", "Standard Deviation", Twips(240, 1320, 1695, 255), sans, 8.25,
        SystemColour(7), 3);
    row("lblStdDev", "result", "", Twips(2400, 1200, 1095, 375), serif, 9.75, SystemColour(14), 8);
    row("Label7", "caption", "Average Value ", Twips(240, 1800, 1335, 255), sans, 8.25, black, 13);
    row("lblMean1", "result", "", Twips(2400, 1680, 1095, 375), sans, 9.75, SystemColour(14), 16);
    row("Label9", "caption", "Sum of Areas", Twips(240, 2280, 1335, 255), sans, 8.25,
        SystemColour(18), 17);
    row("lblArea", "result", "", Twips(2400, 2160, 1095, 375), sans, 8.25, SystemColour(14), 18);
    row("Label2", "caption", "Enter Precipitation ", Twips(4200, 720, 1815, 375), sans, 8.25, black,
        1);
    row("txtInput1", "entry", "", Twips(6360, 720, 1095, 375), sans, 9.75, none, 5);
    row("Label8", "caption", "Enter Areas", Twips(4560, 1680, 1215, 255), sans, 8.25, black, 14);
    row("txtinput2", "entry", "", Twips(6360, 1680, 1095, 375), sans, 9.75, none, 15);
    row("CcmdExit", "button", "E&xit", Twips(480, 3240, 1095, 495), sans, 8.25, none, 19);
    row("cmdNew", "button", "&New Sequence", Twips(2400, 3240, 1095, 495), sans, 8.25, none, 6);
    row("cmdCompute", "button", "&Compute", Twips(4320, 3240, 1095, 495), sans, 8.25, none, 10);
    row("cmdAccept", "button", "&Accept Number", Twips(6480, 3240, 1095, 495), sans, 8.25, none, 9);
    row("Label6", "banner", "", Twips(120, 4680, 7335, 375), serif, 12, QColor(255, 0, 0), 12);
    row("Label5", "banner", "", Twips(480, 5040, 9015, 375), serif, 12, QColor(0, 0, 255), 11);
}

void TestWLayout::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, place);
    QFETCH(QString, face);
    QFETCH(qreal, points);
    QFETCH(QColor, colour);
    QFETCH(int, tabIndex);
    WindowSession session;
    QVERIFY(session.active);
    auto* control = session.window.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);

    QCOMPARE(control->geometry(), place);
    QCOMPARE(control->font().family(), face);
    QCOMPARE(QFontInfo(control->font()).family(), face); // the face is really there
    QCOMPARE(control->font().pointSizeF(), points);
    QVERIFY(control->font().bold());
    QCOMPARE(control->property("TabIndex").toInt(), tabIndex);

    if (kind == "caption" || kind == "banner") {
        auto* label = qobject_cast<QLabel*>(control);
        if (kind == "caption")
            QCOMPARE(label->text(), caption);
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->frameShape(), QFrame::NoFrame);
        QVERIFY(label->wordWrap());
        QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
    } else if (kind == "result") {
        auto* label = qobject_cast<QLabel*>(control);
        QCOMPARE(label->text(), "");
        QVERIFY(label->autoFillBackground());
        QCOMPARE(label->palette().color(QPalette::Window), colour);
        QCOMPARE(label->palette().color(QPalette::WindowText), SystemColour(18));
        QCOMPARE(label->frameShape(), QFrame::Panel);
        QCOMPARE(label->frameShadow(), QFrame::Sunken);
        QCOMPARE(label->lineWidth(), 1);
        QVERIFY(label->alignment() & Qt::AlignLeft);
    } else if (kind == "entry") {
        auto* field = qobject_cast<QLineEdit*>(control);
        QCOMPARE(field->text(), "");
        QVERIFY(field->hasFrame());
        QCOMPARE(field->palette().color(QPalette::Base), SystemColour(5));
        QCOMPARE(field->palette().color(QPalette::Text), SystemColour(8));
    } else {
        auto* button = qobject_cast<QPushButton*>(control);
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->isDefault() && !button->autoDefault());
    }
}

// A pixel of each ruling line that is seen, away from the controls and from
// the other lines. The left edge below the frame lies under the bottom frame.
void TestWLayout::rulingLines_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QColor>("colour");

    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    const QColor windowText = SystemColour(8);
    QTest::newRow("Line4 top edge") << QPoint(276, 0) << windowText;
    QTest::newRow("Line7 top edge, right end") << QPoint(551, 0) << windowText;
    QTest::newRow("Line1 left frame, 10 px") << QPoint(8 - 4, 180) << red;
    QTest::newRow("Line1 left frame, far side") << QPoint(8 + 4, 180) << red;
    QTest::newRow("Line14 right frame") << QPoint(544 + 4, 184) << red;
    QTest::newRow("Line17 bottom frame, 15 px") << QPoint(276, 368 - 7) << red;
    QTest::newRow("Line22 column rule") << QPoint(136, 96) << blue;
    QTest::newRow("Line18 column rule") << QPoint(256, 96) << blue;
    QTest::newRow("Line16 top of band") << QPoint(284, 192) << blue;
    QTest::newRow("Line19 bottom of band") << QPoint(272, 272) << blue;
    QTest::newRow("Line23 band cell") << QPoint(16, 232) << windowText;
    QTest::newRow("Line24 band cell") << QPoint(136, 232) << windowText;
    QTest::newRow("Line20 band cell") << QPoint(256, 232) << blue;
    QTest::newRow("Line21 band cell") << QPoint(392, 232) << blue;
    QTest::newRow("no line: window grey") << QPoint(300, 150) << QColor(224, 224, 224);
    QTest::newRow("no line: right of frame") << QPoint(551, 100) << QColor(224, 224, 224);
}

void TestWLayout::rulingLines()
{
    QFETCH(QPoint, pixel);
    QFETCH(QColor, colour);
    WindowSession session;
    const QImage image = session.window.grab().toImage();
    QCOMPARE(image.pixelColor(pixel), colour);
}

// The department in mixed case after thirteen spaces; the institution and its
// locality in capitals after two. Each stays on one line of its box.
void TestWLayout::banners()
{
    WindowSession session;
    const QString department = session.Label("Label6")->text();
    const QString institution = session.Label("Label5")->text();

    QCOMPARE(department.indexOf(QRegularExpression("\\S")), 13);
    QVERIFY(department != department.toUpper() && department != department.toLower());
    QCOMPARE(institution.indexOf(QRegularExpression("\\S")), 2);
    QCOMPARE(institution, institution.toUpper());
    QVERIFY(institution.contains(','));
    for (QLabel* banner : {session.Label("Label6"), session.Label("Label5")}) {
        const QFontMetrics metrics(banner->font());
        QVERIFY(metrics.horizontalAdvance(banner->text()) <= banner->width());
    }
}

void TestWLayout::screenReaderNames()
{
    WindowSession session;
    QVERIFY(session.active);
    QCOMPARE(AccessibleText(session.Field("txtInput1"), QAccessible::Name), "Enter Precipitation");
    QCOMPARE(AccessibleText(session.Field("txtinput2"), QAccessible::Name), "Enter Areas");
    QCOMPARE(AccessibleText(session.Button("cmdAccept"), QAccessible::Name), "Accept Number");
    QCOMPARE(AccessibleText(session.Button("cmdCompute"), QAccessible::Name), "Compute");
    QCOMPARE(AccessibleText(session.Button("cmdNew"), QAccessible::Name), "New Sequence");
    QCOMPARE(AccessibleText(session.Button("CcmdExit"), QAccessible::Name), "Exit");

    session.EnterPair({"2", "10"});
    session.EnterPair({"4", "30"});
    session.Press(Qt::Key_C, Qt::AltModifier);
    const QStringList descriptions{"Number of Values", "Arithmetic Mean", "Standard Deviation",
                                   "Average Value", "Sum of Areas"};
    const QStringList names{"lblNumber", "lblMean", "lblStdDev", "lblMean1", "lblArea"};
    for (int i = 0; i < names.size(); ++i) {
        QLabel* result = session.Label(names[i].toLatin1());
        QVERIFY(!result->text().isEmpty());
        QCOMPARE(AccessibleText(result, QAccessible::Name), result->text());
        QCOMPARE(AccessibleText(result, QAccessible::Description), descriptions[i]);
    }

    session.Press(Qt::Key_N, Qt::AltModifier);
    QCOMPARE(AccessibleText(session.Label("lblMean"), QAccessible::Name), "");
}

// A result wider than its box is cut off; the box keeps its place and size and
// a screen reader still gets the whole text.
void TestWLayout::wideResultIsCutNotGrown()
{
    WindowSession session;
    QVERIFY(session.active);
    QLabel* mean = session.Label("lblMean");
    const QRect place = mean->geometry();

    session.EnterPair({"-1234567000000000000", "1"});
    session.EnterPair({"-1234567000000000000", "1"});
    session.Press(Qt::Key_C, Qt::AltModifier);

    QCOMPARE(mean->text(), "-1.234567E+18");
    QVERIFY(QFontMetrics(mean->font()).horizontalAdvance(mean->text()) > mean->width());
    QCOMPARE(mean->geometry(), place);
    QCOMPARE(AccessibleText(mean, QAccessible::Name), mean->text());
}

QTEST_MAIN(TestWLayout)
#include "tst_mainwindow_layout.moc"
