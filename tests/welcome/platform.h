#pragma once

// The operating system of the welcome window's tests: a program directory of
// the test's own with real files in it, random draws of the test's choosing,
// and a registry of values the test sets.

#include "errors/runtime_error.h"
#include "platform/system/registry.h"
#include "platform/system/runtime_library.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstring>
#include <map>

// Until the generator is seeded every draw is 0, the same at every start.
// When there are `tools`, they are the only ordinary files. An `unreadable`
// file fails as a file of a failing disk does.
class ChosenRunTime : public rainfall::SystemRunTimeLibrary {
public:
    QTemporaryDir directory;
    float draw = 0.5;
    bool seeded = false;
    bool unreadable = false;
    QStringList tools;

    std::string ProgramDirectory() override { return QFile::encodeName(directory.path()).data(); }
    bool OrdinaryFileExists(const std::string& path) override
    {
        return tools.isEmpty() ? SystemRunTimeLibrary::OrdinaryFileExists(path)
                               : tools.contains(QString::fromStdString(path));
    }
    std::string ReadWholeFile(const std::string& path) override
    {
        if (unreadable)
            throw rainfall::RuntimeError(rainfall::RuntimeError::Kind::FileError,
                                         "Input/output error");
        return SystemRunTimeLibrary::ReadWholeFile(path);
    }
    void SeedFromClock() override { seeded = true; }
    float NextRandom() override { return seeded ? draw : 0; }
    QString Write(const QString& name, const QByteArray& content)
    {
        QFile file(directory.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    }
};

// The registry of a user who may read, not write, below HKEY_LOCAL_MACHINE:
// values by key and name, as a type code and the data.
class ReadOnlyRegistry : public rainfall::Registry {
public:
    std::map<std::pair<std::string, std::string>, QByteArray> values;
    int opens = 0;
    int closes = 0;

    rainfall::RegStatus RegOpenKeyExA(rainfall::RegKey root, const char* key, std::uint32_t,
                                      std::uint32_t access, rainfall::RegKey* handle) override
    {
        ++opens;
        const auto next = values.lower_bound({opened = key, ""});
        *handle = 7;
        if (root != rainfall::RootLocalMachine || (access & ~0x20019u) != 0)
            return 5;                                                       // access denied
        return next != values.end() && next->first.first == opened ? 0 : 2; // 2: not found
    }
    rainfall::RegStatus RegQueryValueExA(rainfall::RegKey, const char* name, std::uint32_t*,
                                         std::uint32_t* type, std::uint8_t* data,
                                         std::uint32_t* size) override
    {
        const QByteArray value = values.contains({opened, name}) ? values[{opened, name}] : "";
        if (value.isEmpty() || value.size() - 1 > *size)
            return value.isEmpty() ? 2 : 234; // not found, more data
        *type = std::uint8_t(value[0]);
        *size = std::uint32_t(value.size() - 1);
        std::memcpy(data, value.data() + 1, *size);
        return 0;
    }
    rainfall::RegStatus RegCloseKey(rainfall::RegKey) override
    {
        ++closes;
        return 0;
    }

private:
    std::string opened;
};
