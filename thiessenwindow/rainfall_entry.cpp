#include "thiessenwindow/rainfall_entry.h"

#include "platform/toolkit/typed_key.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace rainfall {

namespace {

bool IsNumberKey(std::int16_t code)
{
    return (code >= '0' && code <= '9') || code == '-' || code == '.' || code == KeyBackspace;
}

} // namespace

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
