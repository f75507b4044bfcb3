#include "platform/toolkit/faces.h"

#include <QFontDatabase>
#include <QHash>
#include <QString>

namespace rainfall {

namespace {

// The faces built into the program, registered once. The system's faces are
// read in first, so that the built-in ones take the place of any of the same
// name and style, such as a newer Liberation.
void AddBundledFaces()
{
    static const bool added = [] {
        QFontDatabase::families();
        for (const char* file :
             {"LiberationSans-Regular", "LiberationSans-Bold", "LiberationSerif-Bold",
              "LiberationSansNarrow-Regular", "LiberationSansNarrow-Bold"})
            QFontDatabase::addApplicationFont(QString(":/fonts/%1.ttf").arg(file));
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
