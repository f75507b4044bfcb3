#include "picture_box.h"

#include "layout.h"

#include <QPainter>
#include <QPen>

namespace rainfall {

namespace {

// The inner area of a picture box, with its lines painted on the background.
class LineArea : public QWidget {
public:
    LineArea(std::vector<TwipsLine> lines, QWidget* parent)
        : QWidget(parent), lines_(std::move(lines))
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        DrawLines(painter, lines_);
    }

private:
    std::vector<TwipsLine> lines_;
};

} // namespace

PictureBox::PictureBox(const QRect& geometry, std::vector<TwipsLine> lines, QWidget* parent)
    : QFrame(parent)
{
    setGeometry(geometry);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);
    area_ = new LineArea(std::move(lines), this);
    area_->setGeometry(contentsRect());
}

} // namespace rainfall
