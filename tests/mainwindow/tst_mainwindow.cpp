// The main window, driven the way a user does: keys go to the control that has
// the focus and message boxes are read and closed by their OK button; the beep
// and the end of the program are counted instead of happening. Its look is
// checked against the layout tables.
#include "layout.h"
#include "toolkit.h"
#include "w.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace rainfall;

struct ShownBox {
    QString text;
    QString title;
    QMessageBox::Icon icon;
    QWidget* parent;
};

class RecordingToolkit : public QtToolkit {
public:
    void MsgBox(QWidget* parent, const QString& prompt, int style, const QString& title) override
    {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            boxes.push_back({box->text(), box->windowTitle(), box->icon(), box->parentWidget()});
            box->button(QMessageBox::Ok)->click();
        });
        QtToolkit::MsgBox(parent, prompt, style, title);
    }
    void Beep() override { ++beeps; }
    void End() override { ++ends; }

    std::vector<ShownBox> boxes;
    int beeps = 0;
    int ends = 0;
};

struct Pair {
    QString P;
    QString A;
};
Q_DECLARE_METATYPE(Pair)

class WindowSession {
public:
    WindowSession()
    {
        window.show();
        Reactivate();
    }

    template <class T = QWidget> T* Get(const QString& name) const
    {
        return window.findChild<T*>(name);
    }
    QString Text(const QString& name) const { return Get(name)->property("text").toString(); }
    // What the user sees: the focus, the two entry texts and the five results.
    QStringList State() const
    {
        QStringList state{window.focusWidget() ? window.focusWidget()->objectName() : ""};
        for (const char* name :
             {"txtInput1", "txtinput2", "lblNumber", "lblMean", "lblStdDev", "lblMean1", "lblArea"})
            state << Text(name);
        return state;
    }
    QString Focus() const { return State().front(); }

    void Type(const QString& keys) { QTest::keyClicks(window.focusWidget(), keys); }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Reactivate();
        QTest::keyClick(window.focusWidget(), key, modifiers);
    }
    void Click(const QString& button) { QTest::mouseClick(Get(button), Qt::LeftButton); }

    // Text the key filter takes is typed; anything else (an exponent, blanks)
    // replaces the field's text from the clipboard, as a user brings it in.
    void Enter(const QString& text)
    {
        if (QRegularExpression("^[0-9.-]*$").match(text).hasMatch())
            return Type(text);
        QGuiApplication::clipboard()->setText(text);
        Press(Qt::Key_A, Qt::ControlModifier);
        Press(Qt::Key_V, Qt::ControlModifier);
    }
    void EnterPair(const Pair& pair)
    {
        Enter(pair.P);
        Press(Qt::Key_Return);
        Enter(pair.A);
        Press(Qt::Key_Return);
    }

    // A desktop gives the activation back to the window when its message box
    // closes; the offscreen platform does not, and Alt+letter works only in
    // the active window.
    void Reactivate()
    {
        if (window.isActiveWindow())
            return;
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qFatal("the main window does not become active");
    }

    RecordingToolkit toolkit;
    std::vector<ShownBox>& boxes = toolkit.boxes;
    W window{toolkit};
};

class TestW : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void acceptComputeNew_data();
    void acceptComputeNew();
    void fieldWithoutValue_data();
    void fieldWithoutValue();
    void refusedPair_data();
    void refusedPair();
    void keyFilter();
    void tabOrderEscapeAndAltN();
    void keysPressButtons_data();
    void keysPressButtons();
    void layout_data();
    void layout();
};

// Without a usable sum of areas the other results are still shown, the average
// value stays empty and a box says why.
void TestW::acceptComputeNew_data()
{
    QTest::addColumn<QList<Pair>>("pairs");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("reason");

    QTest::newRow("two gauges") << QList<Pair>{{"2", "10"}, {"4", "30"}}
                                << QStringList{" 2", " 3", " 1.414214", " 3.5", " 40"} << "";
    QTest::newRow("entries read by their leading number")
        << QList<Pair>{{"3.2.1", "2"}, {".", "2"}, {"-.5", "4-"}}
        << QStringList{" 3", " .9", " 2.007486", " .55", " 8"} << "";
    QTest::newRow("result wider than its box")
        << QList<Pair>{{"-1234567000000000000", "1"}, {"-1234567000000000000", "1"}}
        << QStringList{" 2", "-1.234567E+18", " 0", "-1.234567E+18", " 2"} << "";
    QTest::newRow("sum of areas zero")
        << QList<Pair>{{"2", "5"}, {"4", "-5"}} << QStringList{" 2", " 3", " 1.414214", "", " 0"}
        << "because the sum of areas is zero";
    QTest::newRow("average beyond single")
        << QList<Pair>{{"1", "3E+38"}, {"0", "-3E+38"}, {"0", ".5"}}
        << QStringList{" 3", " .3333333", " .5773503", "", " .5"} << "because it is out of range";
}

// Twice: after New Sequence the same pairs give the same results. Compute
// with fewer than two values only beeps.
void TestW::acceptComputeNew()
{
    QFETCH(QList<Pair>, pairs);
    QFETCH(QStringList, results);
    QFETCH(QString, reason);
    WindowSession s;
    const QRect place = s.Get("lblMean")->geometry();

    for (int round = 1; round <= 2; ++round) {
        s.Click("cmdCompute");
        for (int i = 0; i < pairs.size(); ++i) {
            s.Enter(pairs[i].P);
            s.Press(Qt::Key_Enter); // the keypad's Enter acts as Return
            QCOMPARE(s.Focus(), "txtinput2");
            QCOMPARE(s.Text("lblNumber"), i == 0 ? "" : QString(" %1").arg(i));
            s.Enter(pairs[i].A);
            s.Press(Qt::Key_Return);
            QCOMPARE(s.State(), (QStringList{"txtInput1", " ", " ", QString(" %1").arg(i + 1), "",
                                             "", "", ""}));
            if (i == 0)
                s.Click("cmdCompute");
        }
        QCOMPARE(s.toolkit.beeps, 2 * round);
        s.Click("cmdCompute");

        QCOMPARE(s.State(), QStringList({"txtInput1", " ", " "}) + results);
        for (QLabel* result : s.window.findChildren<QLabel*>(QRegularExpression("^lbl")))
            QCOMPARE(QAccessible::queryAccessibleInterface(result)->text(QAccessible::Name),
                     result->text()); // what a screen reader reads
        QCOMPARE(s.Get("lblMean")->geometry(), place);
        QCOMPARE(s.boxes.size(), reason.isEmpty() ? 0u : unsigned(round));
        for (const ShownBox& box : s.boxes)
            QVERIFY(box.text.contains("area-weighted mean cannot be formed " + reason) &&
                    box.icon == QMessageBox::Critical);

        s.Click("cmdNew");
        QCOMPARE(s.State(), QStringList{"txtInput1"} + QStringList(7, ""));
    }
}

// An empty field, the state at start and after New Sequence, or one holding
// only blanks has no value: Accept names the field and adds nothing.
void TestW::fieldWithoutValue_data()
{
    QTest::addColumn<Pair>("entered");
    QTest::addColumn<QString>("field");

    QTest::newRow("both empty") << Pair{"", ""} << "txtInput1";
    QTest::newRow("precipitation blanks") << Pair{" \t ", "5"} << "txtInput1";
    QTest::newRow("area empty") << Pair{"7", ""} << "txtinput2";
    QTest::newRow("area as Accept leaves it") << Pair{"25 ", " "} << "txtinput2";
}

void TestW::fieldWithoutValue()
{
    QFETCH(Pair, entered);
    QFETCH(QString, field);
    WindowSession s;
    s.EnterPair(entered);

    const bool area = field == "txtinput2";
    QCOMPARE(s.boxes.size(), 1u);
    QCOMPARE(s.boxes[0].text,
             area ? " Please Enter value of Area " : " Please Enter the Precipitation Value");
    QCOMPARE(s.boxes[0].title, area ? "No Value Entered" : " No Value Entered");
    QCOMPARE(s.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(s.boxes[0].parent, &s.window);
    QCOMPARE(s.State(), (QStringList{field, entered.P, entered.A, "", "", "", "", ""}));
}

// A pair the program cannot hold is refused whole with a box that names the
// problem; the texts stay for correction and the sums as they were.
void TestW::refusedPair_data()
{
    QTest::addColumn<QList<Pair>>("pairs"); // taken in turn until count are in
    QTest::addColumn<int>("count");
    QTest::addColumn<Pair>("refused");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QStringList>("results");

    const QList<Pair> gauges{{"2", "10"}, {"4", "30"}};
    const QStringList gaugeResults{" 2", " 3", " 1.414214", " 3.5", " 40"};
    QTest::newRow("squared precipitation beyond single")
        << gauges << 2 << Pair{"100000000000000000000", "1"} << "squared precipitation"
        << gaugeResults;
    QTest::newRow("pasted precipitation beyond single")
        << gauges << 2 << Pair{"1E+39", "1"} << "precipitation value" << gaugeResults;
    QTest::newRow("area beyond single")
        << gauges << 2 << Pair{"1", "1E+39"} << "area" << gaugeResults;
    QTest::newRow("count at 32767") // 16384 ones and 16383 threes
        << QList<Pair>{{"1", "2"}, {"3", "2"}} << 32767 << Pair{"5", "5"} << "32767"
        << QStringList{" 32767", " 1.999969", " 1.000015", " 1.999969", " 65534"};
}

void TestW::refusedPair()
{
    QFETCH(QList<Pair>, pairs);
    QFETCH(int, count);
    QFETCH(Pair, refused);
    QFETCH(QString, problem);
    QFETCH(QStringList, results);
    WindowSession s;
    for (int i = 0; i < count; ++i) {
        s.Get<QLineEdit>("txtInput1")->setText(pairs[i % pairs.size()].P);
        s.Get<QLineEdit>("txtinput2")->setText(pairs[i % pairs.size()].A);
        s.Get<QPushButton>("cmdAccept")->click();
    }

    s.EnterPair(refused);

    QCOMPARE(s.boxes.size(), 1u);
    QVERIFY2(s.boxes[0].text.startsWith(' ') && s.boxes[0].text.contains(problem),
             qPrintable(s.boxes[0].text));
    QCOMPARE(s.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(s.Text("txtInput1").trimmed(), refused.P);
    QCOMPARE(s.Text("txtinput2").trimmed(), refused.A);
    QCOMPARE(s.Focus(), "txtInput1");
    s.Click("cmdCompute");
    QCOMPARE(s.State().mid(3), results);
}

// Digits, minus, point and Backspace pass wherever they stand; letters (the
// exponent too, and letters beyond ASCII or with Alt or AltGr), space, comma
// and plus are dropped. Keys that type nothing edit as usual.
void TestW::keyFilter()
{
    WindowSession s;
    const std::pair<QString, Qt::KeyboardModifiers> letters[] = {
        {"é", {}}, {"😀", {}}, {"b", Qt::AltModifier}, {"€", Qt::ControlModifier | Qt::AltModifier}};
    for (auto* entry : {s.Get<QLineEdit>("txtInput1"), s.Get<QLineEdit>("txtinput2")}) {
        entry->setFocus();
        QTest::keyClicks(entry, "-1a 2-,+.5eE9");
        for (const auto& [letter, modifiers] : letters)
            QTest::sendKeyEvent(QTest::Click, entry, Qt::Key_unknown, letter, modifiers);
        QTest::keyClick(entry, Qt::Key_Backspace);
        QCOMPARE(entry->text(), "-12-.5");
    }

    auto* entry = s.Get<QLineEdit>("txtinput2");
    entry->setText("123");
    for (const char* key :
         {"Left", "Left", "Del", "End", "4", "Home", "5", "Ctrl+A", "Ctrl+C", "End", "Ctrl+V"})
        QTest::keySequence(entry, QKeySequence(key));
    QCOMPARE(entry->text(), "51345134");
}

// The window opens with the focus in txtInput1. Tab walks the focus cycle and
// Shift+Tab walks it back; with no cancel button, Escape changes nothing. Keys
// typed right after Alt+N land in the fields New Sequence cleared.
void TestW::tabOrderEscapeAndAltN()
{
    WindowSession s;
    QCOMPARE(s.Focus(), "txtInput1");
    s.EnterPair({"2", "10"});
    s.EnterPair({"4", "30"});
    s.Press(Qt::Key_C, Qt::AltModifier);
    s.Type("6");
    const QStringList state = s.State();

    const QStringList cycle{"txtInput1",  "cmdNew",    "cmdAccept",
                            "cmdCompute", "txtinput2", "CcmdExit"};
    int at = 0;
    for (int step : {1, 1, 1, 1, 1, 1, -1, -1, -1, -1, -1, -1}) {
        s.Press(step > 0 ? Qt::Key_Tab : Qt::Key_Backtab,
                step > 0 ? Qt::NoModifier : Qt::ShiftModifier);
        at = (at + step + 6) % 6;
        s.Press(Qt::Key_Escape);
        QCOMPARE(s.Focus(), cycle[at]);
    }
    QCOMPARE(s.State(), state);
    QCOMPARE(s.toolkit.ends, 0);
    QVERIFY(s.boxes.empty());

    s.Press(Qt::Key_N, Qt::AltModifier);
    s.Type("5");
    QCOMPARE(s.State(), (QStringList{"txtInput1", "5", "", "", "", "", "", ""}));
}

// Alt with the underlined letter clicks its button before the next key is
// handled, from wherever the focus is; Enter or Space clicks the focused one.
void TestW::keysPressButtons_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("button");

    QTest::newRow("Alt+A") << "txtinput2" << QKeySequence("Alt+A") << "cmdAccept";
    QTest::newRow("Alt+C") << "txtInput1" << QKeySequence("Alt+C") << "cmdCompute";
    QTest::newRow("Alt+N") << "cmdCompute" << QKeySequence("Alt+N") << "cmdNew";
    QTest::newRow("Alt+X") << "txtinput2" << QKeySequence("Alt+X") << "CcmdExit";
    QTest::newRow("Return") << "cmdNew" << QKeySequence(Qt::Key_Return) << "cmdNew";
    QTest::newRow("keypad Enter") << "CcmdExit" << QKeySequence(Qt::Key_Enter) << "CcmdExit";
    QTest::newRow("Space") << "cmdAccept" << QKeySequence(Qt::Key_Space) << "cmdAccept";
}

void TestW::keysPressButtons()
{
    QFETCH(QString, focus);
    QFETCH(QKeySequence, key);
    QFETCH(QString, button);
    WindowSession s;
    s.Get(focus)->setFocus();
    QSignalSpy clicked(s.Get<QPushButton>(button), &QPushButton::clicked);

    s.Press(key[0].key(), key[0].keyboardModifiers());

    QCOMPARE(clicked.count(), 1);
    QCOMPARE(s.toolkit.ends, button == "CcmdExit" ? 1 : 0); // Exit ends the program at once
}

void TestW::layout_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption"); // of a result or entry field: what a screen reader says
    QTest::addColumn<QRect>("place");     // of a line: the pixel looked at
    QTest::addColumn<QString>("font");
    QTest::addColumn<QColor>("colour"); // of a caption its text, of the rest the background
    QTest::addColumn<int>("tabIndex");

    // Places in twips, 15 to a pixel.
    const auto row = [](const char* name, const char* kind, const QString& caption, QRect twips,
                        const char* font, const QColor& colour, int tabIndex) {
        const QRect place(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
        QTest::newRow(name) << QString(kind) << caption << place << QString(font) << colour
                            << tabIndex;
    };
    const char* const sans = "Liberation Sans 8.25";
    const char* const sans9 = "Liberation Sans 9.75";
    const char* const serif9 = "Liberation Serif 9.75";
    const char* const serif12 = "Liberation Serif 12";
    const QColor black(0, 0, 0);
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    const QColor grey(224, 224, 224);
    const QColor window = SystemColour(5);
    const QColor highlightText = SystemColour(14);
    row("W", "window", "Average Rainfall by Dadazezez Azuveze Duvuvi", {0, 0, 8280, 5550}, sans,
        grey, -1);
    row("Label1", "caption", "Number of Values", {240, 360, 1575, 255}, sans, black, 0);
    row("lblNumber", "result", "Number of Values", {2400, 240, 1095, 375}, sans9, window, 4);
    row("Label3", "caption", "Arithmetic Mean", {240, 840, 1575, 255}, sans, black, 2);
    row("lblMean", "result", "Arithmetic Mean", {2400, 720, 1095, 375}, serif9, highlightText, 7);
    row("Label4", "caption", "Standard Deviation", {240, 1320, 1695, 255}, sans, SystemColour(7),
        3);
    row("lblStdDev", "result", "Standard Deviation", {2400, 1200, 1095, 375}, serif9, highlightText,
        8);
    row("Label7", "caption", "Average Value ", {240, 1800, 1335, 255}, sans, black, 13);
    row("lblMean1", "result", "Average Value", {2400, 1680, 1095, 375}, sans9, highlightText, 16);
    row("Label9", "caption", "Sum of Areas", {240, 2280, 1335, 255}, sans, SystemColour(18), 17);
    row("lblArea", "result", "Sum of Areas", {2400, 2160, 1095, 375}, sans, highlightText, 18);
    row("Label2", "caption", "Enter Precipitation ", {4200, 720, 1815, 375}, sans, black, 1);
    row("txtInput1", "entry", "Enter Precipitation", {6360, 720, 1095, 375}, sans9, window, 5);
    row("Label8", "caption", "Enter Areas", {4560, 1680, 1215, 255}, sans, black, 14);
    row("txtinput2", "entry", "Enter Areas", {6360, 1680, 1095, 375}, sans9, window, 15);
    row("CcmdExit", "button", "E&xit", {480, 3240, 1095, 495}, sans, {}, 19);
    row("cmdNew", "button", "&New Sequence", {2400, 3240, 1095, 495}, sans, {}, 6);
    row("cmdCompute", "button", "&Compute", {4320, 3240, 1095, 495}, sans, QColor(0, 255, 0), 10);
    row("cmdAccept", "button", "&Accept Number", {6480, 3240, 1095, 495}, sans, {}, 9);
    row("Label6", "caption", "             Postgraduate Department of Water Resources",
        {120, 4680, 7335, 375}, serif12, red, 12);
    row("Label5", "caption", "  KELVARRA INSTITUTE OF TECHNOLOGY, NORTH WEIRFORD",
        {480, 5040, 9015, 375}, serif12, blue, 11);

    // A pixel of each ruling line that is seen, away from the controls and the
    // other lines. The left edge below the frame lies under the bottom frame.
    const auto line = [](const char* name, int x, int y, const QColor& colour) {
        QTest::newRow(name) << QString("line") << QString() << QRect(x, y, 1, 1) << QString()
                            << colour << -1;
    };
    const QColor windowText = SystemColour(8);
    line("Line4 top edge", 276, 0, windowText);
    line("Line7 top edge, right end", 551, 0, windowText);
    line("Line1 left frame, 10 px", 8 - 4, 180, red);
    line("Line1 left frame, far side", 8 + 4, 180, red);
    line("Line14 right frame", 544 + 4, 184, red);
    line("Line17 bottom frame, 15 px", 276, 368 - 7, red);
    line("Line22 column rule", 136, 96, blue);
    line("Line18 column rule", 256, 96, blue);
    line("Line16 top of band", 284, 192, blue);
    line("Line19 bottom of band", 272, 272, blue);
    line("Line23 band cell", 16, 232, windowText);
    line("Line24 band cell", 136, 232, windowText);
    line("Line20 band cell", 256, 232, blue);
    line("Line21 band cell", 392, 232, blue);
    line("no line: window grey", 300, 150, grey);
    line("no line: right of frame", 551, 100, grey);
}

void TestW::layout()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, place);
    QFETCH(QString, font);
    QFETCH(QColor, colour);
    QFETCH(int, tabIndex);
    WindowSession s;
    if (kind == "line") {
        QCOMPARE(s.window.grab().toImage().pixelColor(place.topLeft()), colour);
        return;
    }
    const QString name = QTest::currentDataTag();
    QWidget* control = kind == "window" ? &s.window : s.Get(name);
    QVERIFY(control != nullptr);
    if (kind == "window")
        place.moveCenter(s.window.screen()->availableGeometry().center());

    QCOMPARE(control->objectName(), name);
    QCOMPARE(control->geometry(), place);
    const QFont& shown = control->font();
    QCOMPARE(QString("%1 %2").arg(shown.family()).arg(shown.pointSizeF()), font);
    QCOMPARE(QFontInfo(shown).family(), shown.family()); // the face is really there
    QVERIFY(shown.bold());
    QCOMPARE(control->property("TabIndex"), tabIndex < 0 ? QVariant() : QVariant(tabIndex));
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(control);

    if (kind == "window") {
        QCOMPARE(s.window.windowTitle(), caption);
        QCOMPARE(s.window.minimumSize(), s.window.maximumSize());
        const Qt::WindowFlags buttons =
            Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
        QCOMPARE(s.window.windowFlags() & buttons, Qt::WindowFlags(Qt::WindowCloseButtonHint));
        QCOMPARE(s.window.palette().color(QPalette::Window), colour);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        const bool result = kind == "result";
        QCOMPARE(label->text(), result ? "" : caption);
        QCOMPARE(label->autoFillBackground(), result);
        QCOMPARE(label->palette().color(QPalette::WindowText), result ? SystemColour(18) : colour);
        if (result)
            QCOMPARE(label->palette().color(QPalette::Window), colour);
        QCOMPARE(label->frameShape(), result ? QFrame::Panel : QFrame::NoFrame);
        QCOMPARE(label->frameShadow(), result ? QFrame::Sunken : QFrame::Plain);
        QCOMPARE(label->lineWidth(), 1);
        QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(label->wordWrap(), !result); // a result too wide is cut off
        QCOMPARE(reader->text(QAccessible::Description), result ? caption : "");
    } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(field->text(), "");
        QVERIFY(field->hasFrame());
        QCOMPARE(field->palette().color(QPalette::Base), colour);
        QCOMPARE(field->palette().color(QPalette::Text), SystemColour(8));
        QCOMPARE(reader->text(QAccessible::Name), caption);
    } else {
        auto* button = qobject_cast<QPushButton*>(control);
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->isDefault() && !button->autoDefault());
        QCOMPARE(button->property("BackColor").value<QColor>(), colour);
        QCOMPARE(reader->text(QAccessible::Name), QString(caption).remove('&'));
    }
}

// Gives every palette role behind a system colour its own colour, so that a
// control in the wrong system colour shows in the layout test.
void TestW::initTestCase()
{
    QPalette palette = QApplication::palette();
    int shade = 0;
    for (auto role : {QPalette::Base, QPalette::Text, QPalette::WindowText, QPalette::Highlight,
                      QPalette::HighlightedText, QPalette::ButtonText}) {
        shade += 30;
        palette.setColor(role, QColor(shade, 20, 220 - shade));
    }
    QApplication::setPalette(palette);
}

QTEST_MAIN(TestW)
#include "tst_mainwindow.moc"
