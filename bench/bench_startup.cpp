// Benchmark, not a test: how long a program takes from its start to its first
// window being shown on the X display, and how much memory it then holds.
// Run under an X server (Xvfb will do):
//
//   bench_startup PROGRAM [PROGRAM...]
//
// Each program is started several times in turn; a window counts as shown
// when the X server maps a top-level window of that process. The figures are
// also given as ratios to the last program, the yardstick, e.g.
//
//   bench_startup bin/average-rainfall bin/bench_label_window bin/bench_empty_window
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Runs = 10;

// The process id a client put on its window (_NET_WM_PID), or 0.
long WindowPid(Display* display, Window window)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None)
        return 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && count == 1)
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data != nullptr)
        XFree(data);
    return pid;
}

long long ResidentBytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atoll(line.c_str() + 6) * 1024;
    return -1;
}

struct Start {
    double seconds;
    long long residentBytes;
};

Start StartOnce(Display* display, const std::string& program)
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);
    std::string name = program;
    char* argv[] = {name.data(), nullptr};
    pid_t pid = 0;
    const auto start = Clock::now();
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::perror(program.c_str());
        std::exit(1);
    }
    double seconds = -1;
    while (seconds < 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && WindowPid(display, event.xmap.window) == pid)
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    // Let the first paint and the idle work after it settle before measuring.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const long long resident = ResidentBytes(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return {seconds, resident};
}

template <typename T> T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [PROGRAM...]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display: run it under Xvfb\n");
        return 1;
    }
    const std::vector<std::string> programs(argv + 1, argv + argc);
    std::vector<std::vector<double>> times(programs.size());
    std::vector<std::vector<long long>> memory(programs.size());
    for (int run = 0; run < Runs; ++run)
        for (std::size_t i = 0; i < programs.size(); ++i) {
            const Start start = StartOnce(display, programs[i]);
            times[i].push_back(start.seconds);
            memory[i].push_back(start.residentBytes);
        }
    // Ratios are to the last program named: the yardstick.
    const double baseTime = Median(times.back());
    const auto baseMemory = static_cast<double>(Median(memory.back()));
    std::printf("%-40s %10s %10s %8s %10s %9s\n", "program", "median ms", "fastest ms", "RSS MB",
                "time/last", "RSS/last");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const auto resident = static_cast<double>(Median(memory[i]));
        std::printf("%-40s %10.1f %10.1f %8.1f %10.2f %9.2f\n",
                    std::filesystem::path(programs[i]).filename().c_str(), Median(times[i]) * 1e3,
                    *std::min_element(times[i].begin(), times[i].end()) * 1e3, resident / (1 << 20),
                    Median(times[i]) / baseTime, resident / baseMemory);
    }
    XCloseDisplay(display);
    return 0;
}
