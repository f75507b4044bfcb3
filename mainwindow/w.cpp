#include "mainwindow/w.h"

#include "errors/runtime_error.h"
#include "platform/toolkit/typed_key.h"
#include "stats/evaluation.h"
#include "stats/number_text.h"
#include "stats/single.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace rainfall {

namespace {

// What Accept leaves in both entry fields after it has taken a pair.
const QString BlankMarker = " ";

// The characters of a plain decimal number, and Backspace to correct it.
bool IsNumberKey(std::int16_t KeyAscii)
{
    return (KeyAscii >= '0' && KeyAscii <= '9') || KeyAscii == '-' || KeyAscii == '.' ||
           KeyAscii == KeyBackspace;
}

// A field that is empty or holds only blanks, BlankMarker among them, has no
// value entered.
bool HasNoValue(const QString& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 0x80 && IsBlank(char(c.unicode())); });
}

// The entry text as the single-precision value the sums take in.
float EntryValue(const QString& text, const std::string& what)
{
    try {
        return ToSingle(ParseValue(text.toStdString()));
    } catch (const RuntimeError&) {
        throw RuntimeError(RuntimeError::Kind::Overflow,
                           "the " + what + " is too large for the program to hold");
    }
}

// Replaces an entry's text with the caret at its start, before the text.
void SetEntryText(QLineEdit* field, const QString& text)
{
    field->setText(text);
    field->setCursorPosition(0);
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

W::W(Toolkit& toolkit, QWidget* parent) : QWidget(parent), toolkit_(toolkit)
{
    LayOut();
    connect(cmdAccept, &QPushButton::clicked, this, &W::cmdAccept_Click);
    connect(cmdCompute, &QPushButton::clicked, this, &W::cmdCompute_Click);
    connect(cmdNew, &QPushButton::clicked, this, &W::cmdNew_Click);
    connect(CcmdExit, &QPushButton::clicked, this, &W::CcmdExit_Click);
    txtInput1->installEventFilter(this);
    txtinput2->installEventFilter(this);
}

void W::cmdAccept_Click()
{
    txtInput1->setFocus();
    if (HasNoValue(txtInput1->text())) {
        toolkit_.MsgBox(this, " Please Enter the Precipitation Value", Toolkit::Critical,
                        " No Value Entered");
        return;
    }
    txtinput2->setFocus();
    if (HasNoValue(txtinput2->text())) {
        toolkit_.MsgBox(this, " Please Enter value of Area ", Toolkit::Critical,
                        "No Value Entered");
        return;
    }
    if (!TakePair())
        return;
    lblNumber->setText(Text(StrText(sums_.ValueCount)));
    txtInput1->setFocus();
    SetEntryText(txtInput1, BlankMarker);
    SetEntryText(txtinput2, BlankMarker);
}

// Adds the entered pair to the sums. A pair that cannot be held is refused
// whole: the sums stay as they were, the texts stay for correction and the
// focus goes back to the precipitation.
bool W::TakePair()
{
    try {
        const float P = EntryValue(txtInput1->text(), "precipitation value");
        const float A = EntryValue(txtinput2->text(), "area");
        AddPair(sums_, P, A);
        return true;
    } catch (const RuntimeError& error) {
        txtInput1->setFocus();
        toolkit_.MsgBox(this, " The pair cannot be accepted: " + Text(error.Detail()),
                        Toolkit::Critical, "Pair Not Accepted");
        return false;
    }
}

void W::cmdCompute_Click()
{
    txtInput1->setFocus();
    if (sums_.ValueCount < 2) {
        toolkit_.Beep();
        return;
    }
    const Statistics results = Evaluate(sums_);
    lblMean->setText(Text(StrText(results.mean)));
    lblStdDev->setText(Text(StrText(results.stdDev)));
    lblMean1->setText(results.weightedMean ? Text(StrText(*results.weightedMean)) : QString());
    lblArea->setText(Text(StrText(results.sumOfAreas)));
    if (!results.weightedMean)
        ReportMissingWeightedMean(results.sumOfAreas);
}

void W::ReportMissingWeightedMean(float SumOfAreas)
{
    const QString reason = SumOfAreas == 0 ? "the sum of areas is zero" : "it is out of range";
    toolkit_.MsgBox(this, " The area-weighted mean cannot be formed because " + reason,
                    Toolkit::Critical, "No Average Value");
}

void W::cmdNew_Click()
{
    txtInput1->setFocus();
    lblNumber->setText("");
    SetEntryText(txtInput1, "");
    SetEntryText(txtinput2, "");
    for (QLabel* result : {lblMean, lblStdDev, lblMean1, lblArea})
        result->setText("");
    ResetSums(sums_);
}

void W::CcmdExit_Click()
{
    if (exitClosesWindow_)
        close();
    else
        toolkit_.End();
}

int W::AcceptPairs(const std::vector<std::pair<QString, QString>>& pairs)
{
    const auto before = sums_.ValueCount;
    for (const auto& [precipitation, area] : pairs) {
        txtInput1->setText(precipitation);
        txtinput2->setText(area);
        cmdAccept_Click();
    }
    const int accepted = sums_.ValueCount - before;
    if (sums_.ValueCount >= 2)
        cmdCompute_Click();
    return accepted;
}

void W::txtInput1_KeyPress(std::int16_t& KeyAscii)
{
    if (IsNumberKey(KeyAscii))
        return;
    if (KeyAscii == KeyEnter) {
        txtinput2->setFocus();
        return;
    }
    KeyAscii = 0;
}

void W::txtinput2_KeyPress(std::int16_t& KeyAscii)
{
    if (IsNumberKey(KeyAscii))
        return;
    if (KeyAscii == KeyEnter) {
        cmdAccept_Click();
        return;
    }
    KeyAscii = 0;
}

// Hands every key that types a character in an entry field to that field's
// filter. A character the filter discards never reaches the field; one that
// differs from the key's own text (the keypad's decimal key on a keyboard
// with a decimal comma) reaches it as the filter's character.
bool W::eventFilter(QObject* watched, QEvent* event)
{
    const bool entryField = watched == txtInput1 || watched == txtinput2;
    if (!entryField || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const std::optional<std::int16_t> code = TypedKeyCode(*key);
    if (!code)
        return false;
    std::int16_t KeyAscii = *code;
    if (watched == txtInput1)
        txtInput1_KeyPress(KeyAscii);
    else
        txtinput2_KeyPress(KeyAscii);
    if (KeyAscii == 0)
        return true;
    const QString typed(QChar(static_cast<char16_t>(KeyAscii)));
    if (KeyAscii == KeyEnter || KeyAscii == KeyBackspace || key->text() == typed)
        return false;
    QKeyEvent retyped(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
    QCoreApplication::sendEvent(watched, &retyped);
    return true;
}

} // namespace rainfall
