// The keyboard of the main window: the entry fields' key filter, the ordinary
// editing keys, the tab order, Alt+letter, Enter and Space on buttons, Escape.
#include "window_session.h"

#include <QSignalSpy>
#include <QTest>

using namespace rainfall::testing;

class TestWKeyboard : public QObject {
    Q_OBJECT

private slots:
    void keyFilter_data();
    void keyFilter();
    void otherLettersDropped_data();
    void otherLettersDropped();
    void tabOrderCycle_data();
    void tabOrderCycle();
    void altLetterClicksAtOnce_data();
    void altLetterClicksAtOnce();
    void keysAfterAltNLandInClearedField();
    void exitEndsProgram();
    void enterOrSpacePressesFocusedButton_data();
    void enterOrSpacePressesFocusedButton();
    void escapeChangesNothing();
};

void TestWKeyboard::keyFilter_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QTestEventList>("keys");
    QTest::addColumn<QString>("text");

    const auto typed = [](const QString& text) {
        QTestEventList keys;
        keys.addKeyClicks(text);
        return keys;
    };
    for (const char* field : {"txtInput1", "txtinput2"}) {
        const auto row = [field](const char* name) {
            return &QTest::addRow("%s: %s", field, name);
        };
        *row("letter dropped") << field << typed("1a2") << "12";
        *row("space dropped") << field << typed(" 7") << "7";
        *row("minus and point kept") << field << typed("-3.5") << "-3.5";
        *row("minus inside kept") << field << typed("3-5") << "3-5";
        *row("exponent, comma, plus dropped") << field << typed("1,5+2E3e") << "1523";
    }

    QTestEventList backspace = typed("123");
    backspace.addKeyClick(Qt::Key_Backspace);
    QTest::newRow("backspace deletes") << "txtInput1" << backspace << "12";

    QTestEventList home = typed("12");
    home.addKeyClick(Qt::Key_Home);
    home.addKeyClicks("3");
    QTest::newRow("home") << "txtInput1" << home << "312";

    QTestEventList arrows = typed("123");
    arrows.addKeyClick(Qt::Key_Left);
    arrows.addKeyClick(Qt::Key_Left);
    arrows.addKeyClick(Qt::Key_Delete);
    arrows.addKeyClick(Qt::Key_End);
    arrows.addKeyClicks("4");
    QTest::newRow("arrows, delete, end") << "txtinput2" << arrows << "134";

    QTestEventList copyPaste = typed("45");
    copyPaste.addKeyClick(Qt::Key_A, Qt::ControlModifier);
    copyPaste.addKeyClick(Qt::Key_C, Qt::ControlModifier);
    copyPaste.addKeyClick(Qt::Key_End);
    copyPaste.addKeyClick(Qt::Key_V, Qt::ControlModifier);
    QTest::newRow("select all, copy, paste") << "txtInput1" << copyPaste << "4545";

    QTestEventList cut = typed("67");
    cut.addKeyClick(Qt::Key_A, Qt::ControlModifier);
    cut.addKeyClick(Qt::Key_X, Qt::ControlModifier);
    QTest::newRow("cut") << "txtinput2" << cut << "";
    QTestEventList undo = cut;
    undo.addKeyClick(Qt::Key_Z, Qt::ControlModifier);
    QTest::newRow("undo") << "txtinput2" << undo << "67";
}

void TestWKeyboard::keyFilter()
{
    QFETCH(QString, field);
    QFETCH(QTestEventList, keys);
    QFETCH(QString, text);
    WindowSession session;
    QVERIFY(session.active);
    QLineEdit* entry = session.Field(field.toLatin1());
    entry->setFocus();

    keys.simulate(entry);

    QCOMPARE(entry->text(), text);
    QCOMPARE(session.Focus(), field);
    QCOMPARE(session.Label("lblNumber")->text(), "");
}

// Letters that come with Alt or AltGr, or from beyond ASCII, go through the
// filter like any other.
void TestWKeyboard::otherLettersDropped_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    const Qt::KeyboardModifiers altGr = Qt::ControlModifier | Qt::AltModifier;
    QTest::newRow("Latin-1 letter") << "é" << Qt::KeyboardModifiers();
    QTest::newRow("beyond 8 bits") << "€" << Qt::KeyboardModifiers();
    QTest::newRow("beyond 16 bits") << "😀" << Qt::KeyboardModifiers();
    QTest::newRow("Alt+B") << "b" << Qt::KeyboardModifiers(Qt::AltModifier);
    QTest::newRow("AltGr+E") << "€" << altGr;
    QTest::newRow("AltGr+Q") << "@" << altGr;
}

void TestWKeyboard::otherLettersDropped()
{
    QFETCH(QString, letter);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    WindowSession session;
    QVERIFY(session.active);
    QLineEdit* entry = session.Field("txtInput1");
    session.Type("9");

    QTest::sendKeyEvent(QTest::Click, entry, Qt::Key_unknown, letter, modifiers);

    QCOMPARE(entry->text(), "9");
}

void TestWKeyboard::tabOrderCycle_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QStringList>("visited");

    const QStringList forwards{"cmdNew",    "cmdAccept", "cmdCompute",
                               "txtinput2", "CcmdExit",  "txtInput1"};
    QStringList backwards(forwards.rbegin() + 1, forwards.rend());
    backwards << "txtInput1";
    QTest::newRow("Tab") << Qt::KeyboardModifiers() << forwards;
    QTest::newRow("Shift+Tab") << Qt::KeyboardModifiers(Qt::ShiftModifier) << backwards;
}

void TestWKeyboard::tabOrderCycle()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QStringList, visited);
    WindowSession session;
    QVERIFY(session.active);

    QStringList seen;
    for (int i = 0; i < visited.size(); ++i) {
        session.Press(modifiers ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
        seen << session.Focus();
    }
    QCOMPARE(seen, visited);
}

// Alt with the underlined letter clicks the button before the next event is
// handled, from wherever the focus is.
void TestWKeyboard::altLetterClicksAtOnce_data()
{
    QTest::addColumn<Qt::Key>("letter");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("focus");

    const QList<std::pair<Qt::Key, QString>> letters{{Qt::Key_A, "cmdAccept"},
                                                     {Qt::Key_C, "cmdCompute"},
                                                     {Qt::Key_N, "cmdNew"},
                                                     {Qt::Key_X, "CcmdExit"}};
    for (const auto& [letter, button] : letters) {
        for (const char* focus : {"txtInput1", "txtinput2", "cmdCompute"}) {
            QTest::addRow("%s from %s", qPrintable(button), focus) << letter << button << focus;
        }
    }
}

void TestWKeyboard::altLetterClicksAtOnce()
{
    QFETCH(Qt::Key, letter);
    QFETCH(QString, button);
    QFETCH(QString, focus);
    WindowSession session;
    QVERIFY(session.active);
    session.window.findChild<QWidget*>(focus)->setFocus();
    QSignalSpy clicked(session.Button(button.toLatin1()), &QPushButton::clicked);

    session.Press(letter, Qt::AltModifier);

    QCOMPARE(clicked.count(), 1);
}

void TestWKeyboard::keysAfterAltNLandInClearedField()
{
    WindowSession session;
    QVERIFY(session.active);
    session.EnterPair({"2", "10"});
    session.Type("7");

    session.Press(Qt::Key_N, Qt::AltModifier);
    session.Type("5");

    QCOMPARE(session.Field("txtInput1")->text(), "5");
    QCOMPARE(session.Label("lblNumber")->text(), "");
}

void TestWKeyboard::exitEndsProgram()
{
    WindowSession session;
    QVERIFY(session.active);
    session.Press(Qt::Key_X, Qt::AltModifier);
    QCOMPARE(session.toolkit.ends, 1);
    session.Click("CcmdExit");
    QCOMPARE(session.toolkit.ends, 2);
}

void TestWKeyboard::enterOrSpacePressesFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Qt::Key>("key");

    for (const char* button : {"cmdNew", "cmdAccept", "cmdCompute", "CcmdExit"}) {
        QTest::addRow("%s by Return", button) << button << Qt::Key_Return;
        QTest::addRow("%s by keypad Enter", button) << button << Qt::Key_Enter;
        QTest::addRow("%s by Space", button) << button << Qt::Key_Space;
    }
}

void TestWKeyboard::enterOrSpacePressesFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(Qt::Key, key);
    WindowSession session;
    QVERIFY(session.active);
    QPushButton* target = session.Button(button.toLatin1());
    target->setFocus();
    QSignalSpy clicked(target, &QPushButton::clicked);

    session.Press(key);

    QCOMPARE(clicked.count(), 1);
}

// The window has no cancel button: Escape changes nothing, wherever it is pressed.
void TestWKeyboard::escapeChangesNothing()
{
    WindowSession session;
    QVERIFY(session.active);
    session.EnterPair({"2", "10"});
    session.EnterPair({"4", "30"});
    session.Press(Qt::Key_C, Qt::AltModifier);
    session.Type("6");
    const QStringList results = session.Results();

    for (const char* name :
         {"txtInput1", "cmdNew", "cmdAccept", "cmdCompute", "txtinput2", "CcmdExit"}) {
        session.window.findChild<QWidget*>(name)->setFocus();
        session.Press(Qt::Key_Escape);
        QCOMPARE(session.Focus(), name);
    }

    QCOMPARE(session.Results(), results);
    QCOMPARE(session.Field("txtInput1")->text(), " 6");
    QCOMPARE(session.Field("txtinput2")->text(), " ");
    QVERIFY(session.window.isVisible());
    QCOMPARE(session.toolkit.ends, 0);
    QCOMPARE(session.toolkit.beeps, 0);
    QVERIFY(session.closer.boxes.empty());
}

QTEST_MAIN(TestWKeyboard)
#include "tst_mainwindow_keyboard.moc"
