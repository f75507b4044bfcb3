#pragma once

#include "thiessen/output/map_picture.h"

#include <QImage>
#include <QPainter>
#include <QSizeF>

namespace rainfall {

// Paints the picture as its SVG shows it, scaled to fit the target (in the
// painter's units) and centred in it; the background is left as it is.
void PaintMapPicture(QPainter& painter, const thiessen::MapPicture& picture, QSizeF target);

// The picture on white, scale pixels per picture unit (2 for a sharp
// picture on a screen of twice the density).
QImage MapPictureImage(const thiessen::MapPicture& picture, qreal scale);

} // namespace rainfall
