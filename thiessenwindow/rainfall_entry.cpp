#include "thiessenwindow/rainfall_entry.h"

#include "errors/runtime_error.h"
#include "platform/toolkit/typed_key.h"
#include "stats/number_text.h"
#include "stats/single.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>

namespace rainfall {

namespace {

bool IsNumberKey(std::int16_t code)
{
    return (code >= '0' && code <= '9') || code == '-' || code == '.' || code == KeyBackspace;
}

} // namespace

RainfallText ReadRainfall(const QString& text)
{
    QString compact;
    for (QChar c : text)
        if (!(c.unicode() < 0x80 && IsBlank(char(c.unicode()))))
            compact += c;
    if (compact.isEmpty())
        return {true, {}, {}};
    static const QRegularExpression number(R"(^-?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$)");
    const QString notANumber =
        QString("\"%1\" is not a number. Type the rainfall in digits, with a full stop (.) "
                "as the decimal point, for example 12.5.")
            .arg(text);
    if (!number.match(compact).hasMatch())
        return {false, {}, notANumber};
    try {
        return {false, ToSingle(ParseValue(compact.toStdString())), {}};
    } catch (const RuntimeError&) {
        return {
            false, {}, QString("\"%1\" is too large for the program to hold.").arg(text.trimmed())};
    }
}

QWidget* RainfallDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const
{
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setAccessibleName("Rainfall");
    return editor;
}

void RainfallDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    const QString text = static_cast<QLineEdit*>(editor)->text();
    const RainfallText read = ReadRainfall(text);
    refused_ = !read.empty && !read.value;
    if (refused_) {
        emit refused(text, read.problem);
        return;
    }
    model->setData(index, text.trimmed());
}

// The calculator's key filter; other keys (arrows, Tab, Escape, Ctrl with a
// key) keep their usual meaning in the editor.
bool RainfallDelegate::eventFilter(QObject* watched, QEvent* event)
{
    auto* editor = qobject_cast<QLineEdit*>(watched);
    if (!editor || event->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const std::optional<std::int16_t> code = TypedKeyCode(*key);
    if (!code)
        return QStyledItemDelegate::eventFilter(watched, event);
    if (*code == KeyEnter) {
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
        if (!refused_)
            emit committedWithReturn();
        return true;
    }
    if (!IsNumberKey(*code))
        return true;
    const QString typed(QChar(static_cast<char16_t>(*code)));
    if (*code == KeyBackspace || key->text() == typed)
        return false;
    QKeyEvent retyped(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
    QCoreApplication::sendEvent(editor, &retyped);
    return true;
}

} // namespace rainfall
