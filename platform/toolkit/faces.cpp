#include "platform/toolkit/faces.h"

#include <QByteArray>
#include <QDir>
#include <QFontDatabase>
#include <QHash>
#include <QResource>
#include <QString>

namespace rainfall {

namespace {

// The bytes of a resource, where it lies in the program unless it has to be
// uncompressed.
QByteArray ResourceBytes(const QResource& resource)
{
    if (resource.compressionAlgorithm() != QResource::NoCompression)
        return resource.uncompressedData();
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                   qsizetype(resource.size()));
}

// The faces built into the program, registered once. The system's faces are
// read in first, so that the built-in ones take the place of any of the same
// name and style, such as a newer Liberation. Qt reads the faces where they
// lie in the program's resources, stored uncompressed for that: a copy of
// each would cost its size again in memory and time to make.
void AddBundledFaces()
{
    static const bool added = [] {
        QFontDatabase::families();
        for (const QFileInfo& file : QDir(":/fonts").entryInfoList()) {
            const QResource face(file.filePath());
            QFontDatabase::addApplicationFontFromData(ResourceBytes(face));
        }
        return true;
    }();
    (void)added;
}

} // namespace

QFont PlatformFont(const Font& font)
{
    static const QHash<QString, QString> bundledFace = {
        {"MS Sans Serif", "Liberation Sans"},
        {"Arial", "Liberation Sans"},
        {"System", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Arial Narrow", "Liberation Sans Narrow"},
    };
    AddBundledFaces();
    QFont shown(bundledFace.value(font.face, font.face));
    shown.setPointSizeF(font.points);
    shown.setBold(font.bold);
    shown.setItalic(font.italic);
    // Hinted only vertically, as Debian's fontconfig hints by default, so
    // that glyphs keep their own widths wherever FreeType draws them.
    shown.setHintingPreference(QFont::PreferVerticalHinting);
    return shown;
}

void DrawFacesWithFreeType()
{
#ifdef Q_OS_WIN
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
#endif
}

} // namespace rainfall
