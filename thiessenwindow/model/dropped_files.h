#pragma once

#include <QString>
#include <QStringList>

namespace rainfall {

// Files dropped on the window, sorted by what they hold; empty where none
// was dropped, the last where several were.
struct DroppedFiles {
    QString gauges;
    QString boundary;
    QString series;
};

// Tells dropped files apart as the readers would take them, whatever the
// case of their extensions: a vector file holding points only is gauges,
// any other vector file or WKT a boundary; a CSV (or text) file whose header
// names a gauge id and a pair of coordinates is gauges, whatever else it has
// (but a long series' time and value) and whatever it is separated by;
// anything else is a series. A
// shapefile's companion files (.dbf, .shx, .prj, .cpg, ...) stand for the
// .shp beside them, so that a shapefile dropped whole is one file.
DroppedFiles SortDropped(const QStringList& paths);

} // namespace rainfall
