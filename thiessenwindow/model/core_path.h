#pragma once

#include <QFile>
#include <QString>

#include <string>

namespace rainfall {

// A path as the Thiessen core takes it: UTF-8 on Windows, where the local
// code page cannot name every file; the file system's own bytes elsewhere.
inline std::string CorePath(const QString& path)
{
#ifdef _WIN32
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

// The same path back, for the user.
inline QString FromCorePath(const std::string& path)
{
#ifdef _WIN32
    return QString::fromStdString(path);
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

} // namespace rainfall
