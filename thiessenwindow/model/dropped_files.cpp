#include "thiessenwindow/model/dropped_files.h"

#include "thiessenwindow/model/core_path.h"

#include "thiessen/io/gauges.h"
#include "thiessen/io/vector_source.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <string>

namespace rainfall {

namespace {

bool IsShapefilePart(const QFileInfo& file)
{
    static const QStringList kParts = {"dbf", "shx", "prj", "cpg", "sbn", "sbx", "qix"};
    return kParts.contains(file.suffix(), Qt::CaseInsensitive);
}

// The shapefile a companion file belongs to, as the folder spells its name
// (.shp or .SHP); empty when there is none beside it.
QString ShapefileOf(const QFileInfo& part)
{
    const QString name = part.completeBaseName() + ".shp";
    const QDir folder = part.dir();
    for (const QString& entry : folder.entryList(QDir::Files))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder.filePath(entry);
    return {};
}

QString* Slot(DroppedFiles& files, const QString& path)
{
    const std::string core = CorePath(path);
    if (thiessen::IsVectorFile(core))
        return thiessen::HoldsPoints(core) ? &files.gauges : &files.boundary;
    if (QFileInfo(path).suffix().compare("wkt", Qt::CaseInsensitive) == 0)
        return &files.boundary;
    return thiessen::IsGaugesTable(core) ? &files.gauges : &files.series;
}

} // namespace

DroppedFiles SortDropped(const QStringList& paths)
{
    DroppedFiles files;
    QSet<QString> sorted;
    for (QString path : paths) {
        const QFileInfo file(path);
        if (IsShapefilePart(file))
            path = ShapefileOf(file);
        if (path.isEmpty() || sorted.contains(path))
            continue;
        sorted.insert(path);
        *Slot(files, path) = path;
    }
    return files;
}

} // namespace rainfall
