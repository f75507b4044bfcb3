#include "platform/system/launcher.h"

#include "errors/runtime_error.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace rainfall {

namespace {

[[noreturn]] void CannotStart(const std::string& path, int error)
{
    throw RuntimeError(RuntimeError::Kind::FileError,
                       "cannot start \"" + path + "\": " + std::generic_category().message(error));
}

class SpawnLauncher : public Launcher {
public:
    std::int64_t StartProgram(const std::string& path, int /*windowStyle*/) override
    {
        if (path.empty())
            CannotStart(path, ENOENT);
        // The path itself is the program's name for itself (argv[0]); there
        // are no arguments and no shell.
        std::string name = path;
        char* argv[] = {name.data(), nullptr};
        pid_t pid = 0;
        const int error = ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ);
        if (error != 0)
            CannotStart(path, error);
        // Collect the exit status whenever the program ends, so that it does
        // not linger as a zombie while this program runs on.
        std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
        return pid;
    }
};

} // namespace

Launcher& DefaultLauncher()
{
    static SpawnLauncher launcher;
    return launcher;
}

} // namespace rainfall
