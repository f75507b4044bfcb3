#pragma once

#include "layout.h"

#include <QFrame>

#include <vector>

namespace rainfall {

// A picture box: a child area with a thin flat border that holds controls.
// They are placed relative to its inner area, inside the border, and clipped
// at the border; its lines are drawn onto that area, beneath the controls.
class PictureBox : public QFrame {
public:
    PictureBox(const QRect& geometry, std::vector<TwipsLine> lines, QWidget* parent);

    // The inner area: the parent for the controls the box holds.
    QWidget* area() const { return area_; }

private:
    QWidget* area_;
};

} // namespace rainfall
