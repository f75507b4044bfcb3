#include "platform/toolkit/faces.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHash>
#include <QPointer>
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

// Registers the built-in faces when the first widget paints, before it draws
// any text, and then steps aside; it belongs to the application object.
class FacesAtFirstPaint : public QObject {
public:
    FacesAtFirstPaint() : QObject(QCoreApplication::instance())
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            QCoreApplication::instance()->removeEventFilter(this);
            RegisterBuiltInFaces();
        }
        return false;
    }
};

} // namespace

// Qt adds the faces after the system's whenever it reads those, so that they
// take the place of any of the same name and style, such as a newer
// Liberation. It reads them where they lie in the program's resources, stored
// uncompressed for that: a copy of each would cost its size again in memory
// and time to make. They are registered once for each application object.
void RegisterBuiltInFaces()
{
    static QPointer<QCoreApplication> registeredFor;
    if (registeredFor == QCoreApplication::instance())
        return;
    registeredFor = QCoreApplication::instance();
    for (const QFileInfo& file : QDir(":/fonts").entryInfoList()) {
        const QResource face(file.filePath());
        QFontDatabase::addApplicationFontFromData(ResourceBytes(face));
    }
}

QFont PlatformFont(const Font& font)
{
    static const QHash<QString, QString> bundledFace = {
        {"MS Sans Serif", "Liberation Sans"},
        {"Arial", "Liberation Sans"},
        {"System", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Arial Narrow", "Liberation Sans Narrow"},
    };
    static QPointer<FacesAtFirstPaint> registerFaces; // one for each application object
    if (!registerFaces)
        registerFaces = new FacesAtFirstPaint;
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
