#pragma once

#include "thiessenwindow/model/rainfall_text.h"

#include <QStyledItemDelegate>

namespace rainfall {

// The editor of the rainfall column: the calculator's key filter (digits,
// minus, full stop, Backspace; the keypad's decimal key types a full stop
// whatever the keyboard), Return commits and moves to the next gauge. Text
// that is not a number is not taken: the delegate says why and the cell
// keeps its value.
class RainfallDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

signals:
    void refused(const QString& text, const QString& problem) const;
    void committedWithReturn() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    mutable bool refused_ = false; // the last text committed was not taken
};

} // namespace rainfall
