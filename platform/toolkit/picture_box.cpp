#include "platform/toolkit/picture_box.h"

namespace rainfall {

PictureBox::PictureBox(const QRect& place, QWidget* parent) : QFrame(parent)
{
    setGeometry(place);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);
    innerArea_ = new QWidget(this);
    innerArea_->setGeometry(contentsRect());
}

} // namespace rainfall
