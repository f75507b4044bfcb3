#include "welcome/window/frmtip.h"

#include "errors/runtime_error.h"
#include "platform/toolkit/caption_text.h"
#include "welcome/logic/sys_info.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace rainfall {

namespace {

// The tip panel shows some ten lines of some fifty characters. A tip is cut
// to a generous bound on what it could ever show before it is laid out, so
// that a tip file of any size and shape shows at once.
constexpr std::size_t ShownTipBytes = 16384;
constexpr qsizetype ShownTipCharacters = 4096;
constexpr int ShownTipLineBreaks = 64;

QString ShownPart(std::string_view tip)
{
    QString text = QString::fromLocal8Bit(tip.substr(0, ShownTipBytes)).left(ShownTipCharacters);
    int lineBreaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if ((text[i] == u'\r' || text[i] == u'\n') && ++lineBreaks > ShownTipLineBreaks)
            text.truncate(i);
    return text;
}

} // namespace

frmTip::frmTip(const WelcomeServices& services, QWidget* parent)
    : QDialog(parent), services_(services),
      tips_(services.runtime, [this](std::string_view text) { SetTipText(text); })
{
    setAttribute(Qt::WA_DeleteOnClose);
    LayOut();
    Form_Load();
}

void frmTip::Form_Load()
{
    services_.runtime.SeedFromClock();
    const std::string sFile = JoinPath(services_.runtime.ProgramDirectory(), TipFileName);
    try {
        if (tips_.LoadTips(sFile) == FlagFalse)
            SetTipText(TipFileNotFoundText());
    } catch (const RuntimeError& error) {
        // A tip file that is there but cannot be read is no reason to stop
        // the program: the tip panel says what went wrong instead.
        if (error.ErrorKind() != RuntimeError::Kind::FileError)
            throw;
        SetTipText(TipFileUnreadableText(error.Detail()));
    }
}

// The window closes first and then announces it was accepted, so that what
// opens next comes after it.
void frmTip::cmdOK_Click()
{
    accept();
}

void frmTip::Command1_Click()
{
    StartSysInfo(services_.registry, services_.launcher, services_.runtime,
                 [this](const std::string& prompt) {
                     services_.toolkit.MsgBox(this, QString::fromLocal8Bit(prompt),
                                              Toolkit::OkOnly);
                 });
}

// OK is the cancel button too: Escape presses it.
void frmTip::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

// The tip panel describes the tip it holds to a screen reader.
void frmTip::SetTipText(std::string_view text)
{
    SetCaption(lblTipText, ShownPart(text));
    Picture1->setAccessibleDescription(lblTipText->accessibleName());
}

} // namespace rainfall
