#pragma once

#include <QStyledItemDelegate>

#include <optional>

namespace rainfall {

// A rainfall as the table takes it: a number as the calculator's fields read
// it (blanks ignored, a full stop for the decimal point, an optional
// exponent), and nothing else after it. Empty text holds no value. The
// result is the value in single precision, or why the text is refused.
struct RainfallText {
    bool empty = false;
    std::optional<float> value;
    QString problem;
};
RainfallText ReadRainfall(const QString& text);

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
