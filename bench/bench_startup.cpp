// Benchmark, not a test: how long a program takes from its start to its first
// window on the X display, and how much memory it then holds. Run under an X
// server (Xvfb will do):
//
//   bench_startup [-n RUNS] PROGRAM [PROGRAM...]
//
// Each program is started RUNS times (10 unless given) in turn. Two moments
// are timed: when the X server maps a top-level window of the process
// ("mapped"), and when the process first draws into that window ("drawn"),
// which is when the user sees its content. A program that reads its fonts
// only to paint does so between the two. Besides the time on the clock, the
// processor time the process had used by each moment is given: on a busy
// machine the clock also counts the time spent waiting for a processor, the
// processor time does not. Memory is the resident set half a second after the
// window was drawn. Each figure is the median of the runs, and also given as
// a ratio to the last program, the yardstick, e.g.
//
//   bench_startup bin/average-rainfall bin/bench_faces_window
//                 bin/bench_label_window bin/bench_empty_window
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

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

// The processor time all threads of a process have used so far, in seconds.
double ProcessorSeconds(pid_t pid)
{
    long long nanoseconds = 0;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        long long onProcessor = 0;
        std::ifstream(task.path() / "schedstat") >> onProcessor;
        nanoseconds += onProcessor;
    }
    return nanoseconds * 1e-9;
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

// Windows come and go while a program starts; a request about one that has
// just gone is no reason to stop.
int IgnoreError(Display* /*display*/, XErrorEvent* /*error*/)
{
    return 0;
}

// The moments of one start, in seconds from it, and its memory.
struct Start {
    double mapped;
    double drawn;
    double processorMapped;
    double processorDrawn;
    double residentBytes;
};

Start StartOnce(Display* display, int damageEvent, const std::string& program)
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);
    std::string name = program;
    char* argv[] = {name.data(), nullptr};
    pid_t pid = 0;
    const auto start = Clock::now();
    const auto elapsed = [&start] {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::perror(program.c_str());
        std::exit(1);
    }
    Start result{-1, -1, -1, -1, -1};
    Window shown = None;
    while (result.drawn < 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            // Watched from its creation, so that no drawing is missed.
            XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
        } else if (event.type == MapNotify && shown == None &&
                   WindowPid(display, event.xmap.window) == pid) {
            result.mapped = elapsed();
            result.processorMapped = ProcessorSeconds(pid);
            shown = event.xmap.window;
        } else if (event.type == damageEvent + XDamageNotify && shown != None &&
                   reinterpret_cast<XDamageNotifyEvent&>(event).drawable == shown) {
            result.drawn = elapsed();
            result.processorDrawn = ProcessorSeconds(pid);
        }
    }
    // Let the idle work after the first paint settle before measuring.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    result.residentBytes = double(ResidentBytes(pid));
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return result;
}

// The medians of a program's starts.
Start Medians(const std::vector<Start>& starts)
{
    const auto median = [&starts](double Start::*figure) {
        std::vector<double> values;
        for (const Start& start : starts)
            values.push_back(start.*figure);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {median(&Start::mapped), median(&Start::drawn), median(&Start::processorMapped),
            median(&Start::processorDrawn), median(&Start::residentBytes)};
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 10;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-n") == 0) {
        runs = std::atoi(argv[2]);
        first = 3;
    }
    if (argc <= first || runs < 1) {
        std::fprintf(stderr, "usage: %s [-n RUNS] PROGRAM [PROGRAM...]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display: run it under Xvfb\n");
        return 1;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "the X server has no DAMAGE extension\n");
        return 1;
    }
    XSetErrorHandler(IgnoreError);
    const std::vector<std::string> programs(argv + first, argv + argc);
    std::vector<std::vector<Start>> starts(programs.size());
    for (int run = 0; run < runs; ++run)
        for (std::size_t i = 0; i < programs.size(); ++i)
            starts[i].push_back(StartOnce(display, damageEvent, programs[i]));
    std::printf("Median of %d starts, in ms and MiB, and as ratios to the last program\n", runs);
    std::printf("%-26s %7s %7s %7s %7s %7s |%7s %7s %7s %7s %7s\n", "", "clock", "", "CPU", "", "",
                "clock", "", "CPU", "", "");
    std::printf("%-26s %7s %7s %7s %7s %7s |%7s %7s %7s %7s %7s\n", "program", "mapped", "drawn",
                "mapped", "drawn", "RSS", "mapped", "drawn", "mapped", "drawn", "RSS");
    const Start last = Medians(starts.back());
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const Start m = Medians(starts[i]);
        std::printf("%-26s %7.1f %7.1f %7.1f %7.1f %7.1f |%7.2f %7.2f %7.2f %7.2f %7.2f\n",
                    std::filesystem::path(programs[i]).filename().c_str(), m.mapped * 1e3,
                    m.drawn * 1e3, m.processorMapped * 1e3, m.processorDrawn * 1e3,
                    m.residentBytes / (1 << 20), m.mapped / last.mapped, m.drawn / last.drawn,
                    m.processorMapped / last.processorMapped,
                    m.processorDrawn / last.processorDrawn, m.residentBytes / last.residentBytes);
    }
    XCloseDisplay(display);
    return 0;
}
