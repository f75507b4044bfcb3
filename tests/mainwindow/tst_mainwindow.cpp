// The main window, driven the way a user does: keys go to the control that has
// the focus and message boxes are read and closed by their OK button; the beep
// and the end of the program are counted instead of happening. Its look is
// compared with reference pictures.
#include "mainwindow/w.h"
#include "tests/pictures.h"

#include <QAccessible>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
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
    void pictures_data();
    void pictures();
    void placeAndScreenReader();
};

void TestW::initTestCase()
{
    QApplication::setStyle("Fusion");
    QApplication::setPalette(pictures::Distinct());
    QApplication::setCursorFlashTime(0); // the caret always shows
}

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
    QTest::newRow("precipitation below the double range reads 0")
        << QList<Pair>{{"." + QString(323, '0') + "1", "1"}, {"2", "1"}}
        << QStringList{" 2", " 1", " 1.414214", " 1", " 2"} << "";
    QTest::newRow("result wider than its box")
        << QList<Pair>{{"-1234567000000000000", "1"}, {"-1234567000000000000", "1"}}
        << QStringList{" 2", "-1.234567E+18", " 0", "-1.234567E+18", " 2"} << "";
    QTest::newRow("sum of areas zero")
        << QList<Pair>{{"2", "5"}, {"4", "-5"}} << QStringList{" 2", " 3", " 1.414214", "", " 0"}
        << " The area-weighted mean cannot be formed because the sum of areas is zero";
    QTest::newRow("average beyond single")
        << QList<Pair>{{"1", "3E+38"}, {"0", "-3E+38"}, {"0", ".5"}}
        << QStringList{" 3", " .3333333", " .5773503", "", " .5"}
        << " The area-weighted mean cannot be formed because it is out of range";
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
            QVERIFY(box.text == reason && box.title == "No Average Value" &&
                    box.icon == QMessageBox::Critical && box.parent == &s.window);

        s.Click("cmdNew");
        QCOMPARE(s.State(), QStringList{"txtInput1"} + QStringList(7, ""));
    }
}

// An empty field, the state at start and after New Sequence, or one holding
// only blanks has no value: Accept names the field and adds nothing.
void TestW::fieldWithoutValue_data()
{
    QTest::addColumn<Pair>("accepted"); // first, if any
    QTest::addColumn<Pair>("entered");
    QTest::addColumn<QString>("field");
    QTest::addColumn<Pair>("left");

    const Pair none;
    QTest::newRow("both empty") << none << Pair{"", ""} << "txtInput1" << Pair{"", ""};
    QTest::newRow("precipitation blanks")
        << none << Pair{" \t ", "5"} << "txtInput1" << Pair{" \t ", "5"};
    QTest::newRow("area empty") << none << Pair{"7", ""} << "txtinput2" << Pair{"7", ""};
    // The caret stands before the space Accept leaves, so 25 reads "25 ".
    QTest::newRow("typed where Accept left its marker")
        << Pair{"1", "1"} << Pair{"25", ""} << "txtinput2" << Pair{"25 ", " "};
}

void TestW::fieldWithoutValue()
{
    QFETCH(Pair, accepted);
    QFETCH(Pair, entered);
    QFETCH(QString, field);
    QFETCH(Pair, left);
    WindowSession s;
    const QString count = accepted.P.isEmpty() ? "" : " 1";
    if (!accepted.P.isEmpty())
        s.EnterPair(accepted);
    s.EnterPair(entered);

    const bool area = field == "txtinput2";
    QCOMPARE(s.boxes.size(), 1u);
    QCOMPARE(s.boxes[0].text,
             area ? " Please Enter value of Area " : " Please Enter the Precipitation Value");
    QCOMPARE(s.boxes[0].title, area ? "No Value Entered" : " No Value Entered");
    QCOMPARE(s.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(s.boxes[0].parent, &s.window);
    QCOMPARE(s.State(), (QStringList{field, left.P, left.A, count, "", "", "", ""}));
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
    const QString tooLarge = "the %1 is too large for the program to hold";
    QTest::newRow("squared precipitation beyond single")
        << gauges << 2 << Pair{"100000000000000000000", "1"}
        << "the sum of the squared precipitation values would leave the range of single "
           "precision"
        << gaugeResults;
    QTest::newRow("pasted precipitation beyond single")
        << gauges << 2 << Pair{"1E+39", "1"} << tooLarge.arg("precipitation value") << gaugeResults;
    QTest::newRow("area beyond single")
        << gauges << 2 << Pair{"1", "1E+39"} << tooLarge.arg("area") << gaugeResults;
    QTest::newRow("beyond double with a negative exponent")
        << gauges << 2 << Pair{"1" + QString(309, '0') + "e-0", "1"}
        << tooLarge.arg("precipitation value") << gaugeResults;
    QTest::newRow("area beyond double with a negative exponent")
        << gauges << 2 << Pair{"1", "2" + QString(400, '0') + "e-50"} << tooLarge.arg("area")
        << gaugeResults;
    QTest::newRow("count at 32767") // 16384 ones and 16383 threes
        << QList<Pair>{{"1", "2"}, {"3", "2"}} << 32767 << Pair{"5", "5"}
        << "32767 values have been accepted, the most one sequence can hold"
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
    QCOMPARE(s.boxes[0].text, " The pair cannot be accepted: " + problem);
    QCOMPARE(s.boxes[0].title, "Pair Not Accepted");
    QCOMPARE(s.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(s.boxes[0].parent, &s.window);
    QCOMPARE(s.Text("txtInput1").trimmed(), refused.P);
    QCOMPARE(s.Text("txtinput2").trimmed(), refused.A);
    QCOMPARE(s.Focus(), "txtInput1");
    s.Click("cmdCompute");
    QCOMPARE(s.State().mid(3), results);
}

// Digits, minus, point and Backspace pass wherever they stand; letters (the
// exponent too, and letters beyond ASCII or with Alt or AltGr), space, comma
// and plus are dropped. The keypad's decimal key types a point on a keyboard
// whose decimal separator is a comma. Keys that type nothing edit as usual.
void TestW::keyFilter()
{
    WindowSession s;
    const std::tuple<Qt::Key, QString, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_unknown, "é", {}},
        {Qt::Key_unknown, "😀", {}},
        {Qt::Key_B, "b", Qt::AltModifier},
        {Qt::Key_unknown, "€", Qt::ControlModifier | Qt::AltModifier},
        {Qt::Key_Backspace, "", {}},
        {Qt::Key_2, "2", Qt::KeypadModifier},
        {Qt::Key_Comma, ",", Qt::KeypadModifier},
        {Qt::Key_5, "5", Qt::KeypadModifier},
    };
    for (auto* entry : {s.Get<QLineEdit>("txtInput1"), s.Get<QLineEdit>("txtinput2")}) {
        entry->setFocus();
        QTest::keyClicks(entry, "-1a 2-,+.5eE9");
        for (const auto& [key, text, modifiers] : keys)
            QTest::sendKeyEvent(QTest::Click, entry, key, text, modifiers);
        QCOMPARE(entry->text(), "-12-.52.5");
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

// The window as it opens, and after a Compute: under a palette in which every
// system colour differs, and under a dark one, where every text whose colour
// or background comes from the desktop stays legible.
void TestW::pictures_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<bool>("computed");

    QTest::newRow("main-window") << pictures::Distinct() << false;
    QTest::newRow("main-window-computed") << pictures::Distinct() << true;
    QTest::newRow("main-window-computed-dark") << pictures::Dark() << true;
}

void TestW::pictures()
{
    QFETCH(QPalette, palette);
    QFETCH(bool, computed);
    QApplication::setPalette(palette);
    WindowSession s;
    if (computed) {
        s.EnterPair({"2", "10"});
        s.EnterPair({"4", "30"});
        s.Click("cmdCompute");
    }
    pictures::Compare(&s.window, QTest::currentDataTag());
    QApplication::setPalette(pictures::Distinct());
}

// The window asks to be centred on its screen, and is exposed to screen
// readers as a window named by its caption, with each entry field labelled by
// its caption and each result described by its own.
void TestW::placeAndScreenReader()
{
    WindowSession s;
    QVERIFY(s.window.testAttribute(Qt::WA_Moved)); // placed by the program
    QVERIFY((s.window.geometry().center() - s.window.screen()->availableGeometry().center())
                .manhattanLength() <= 1);

    const QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&s.window);
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), "Average Rainfall by Dadazezez Azuveze Duvuvi");
    for (const auto& [field, caption] :
         {std::pair{"txtInput1", "Label2"}, {"txtinput2", "Label8"}}) {
        const auto labels =
            QAccessible::queryAccessibleInterface(s.Get(field))->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].first->object(), s.Get(caption));
    }
    QCOMPARE(
        QAccessible::queryAccessibleInterface(s.Get("lblMean1"))->text(QAccessible::Description),
        "Average Value");
}

QTEST_MAIN(TestW)
#include "tst_mainwindow.moc"
