#pragma once

#include <QFrame>

namespace rainfall {

// A picture box: a child area with a thin flat border in its fore colour that
// holds controls. They are placed relative to its inner area, inside the
// border, and clipped at the border.
class PictureBox : public QFrame {
public:
    PictureBox(const QRect& place, QWidget* parent);

    // The inner area: the parent for the controls the box holds.
    QWidget* InnerArea() const { return innerArea_; }

private:
    QWidget* innerArea_;
};

} // namespace rainfall
