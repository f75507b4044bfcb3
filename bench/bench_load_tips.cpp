// Benchmark, not a test: loads generated tip files of 1, 10 and 100 MB the
// way the welcome window does and compares the time with `wc -l` on the same
// files; prints the speed and the memory the tip list takes.
//
//   bench_load_tips [directory for the generated files]
#include "runtime_library.h"
#include "tip_of_day.h"

#include <fcntl.h>
#include <malloc.h>
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
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Runs = 5;

// Lines that read like tips: words of hydrology, 40 to 240 characters a line.
void WriteTipFile(const std::string& path, std::size_t bytes)
{
    static const char* const words[] = {
        "rain",    "gauge",    "Thiessen", "polygon",     "area",    "catchment",  "weighted",
        "mean",    "storm",    "the",      "of",          "and",     "to",         "a",
        "network", "boundary", "bisector", "millimetres", "square",  "kilometres", "each",
        "station", "depth",    "period",   "enter",       "compute", "result",     "value"};
    std::mt19937 generator(12345);
    std::uniform_int_distribution<std::size_t> word(0, std::size(words) - 1);
    std::uniform_int_distribution<std::size_t> lineLength(40, 240);
    std::string text;
    text.reserve(bytes + 256);
    while (text.size() < bytes) {
        const std::size_t end = text.size() + lineLength(generator);
        while (text.size() < end) {
            text += words[word(generator)];
            text += ' ';
        }
        text.back() = '.';
        text += "\r\n";
    }
    std::ofstream(path, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// The best of several runs of `wc -l path`, its output thrown away.
double WcSeconds(const std::string& path)
{
    double best = 1e9;
    for (int run = 0; run < Runs; ++run) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        std::string wc = "wc", lines = "-l", file = path;
        char* argv[] = {wc.data(), lines.data(), file.data(), nullptr};
        pid_t pid = 0;
        const auto start = Clock::now();
        if (posix_spawnp(&pid, "wc", &actions, nullptr, argv, environ) != 0) {
            std::perror("wc");
            std::exit(1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        best = std::min(best, Seconds(Clock::now() - start));
        posix_spawn_file_actions_destroy(&actions);
    }
    return best;
}

// A figure from /proc/self/status, in bytes.
long long StatusBytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atoll(line.c_str() + std::strlen(field)) * 1024;
    return -1;
}

// Starts a new peak: the kernel resets VmHWM to the present RSS.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Load {
    double seconds;
    long long heldBytes;      // resident growth while the tips are loaded
    long long peakBytes;      // resident peak growth during the load
    long long anonymousBytes; // of the held bytes, those not mapped from the file
    std::int32_t lines;
};

Load LoadOnce(const std::string& path)
{
    rainfall::SystemRunTimeLibrary runtime;
    ResetPeak();
    const long long before = StatusBytes("VmRSS:");
    const long long anonymousBefore = StatusBytes("RssAnon:");
    std::size_t shown = 0;
    rainfall::TipOfDay tips(runtime, [&shown](std::string_view tip) { shown += tip.size(); });
    const auto start = Clock::now();
    tips.LoadTips(path);
    const double seconds = Seconds(Clock::now() - start);
    return {seconds, StatusBytes("VmRSS:") - before, StatusBytes("VmHWM:") - before,
            StatusBytes("RssAnon:") - anonymousBefore, tips.TipLines().Count()};
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path directory =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "bench-tips";
    fs::create_directories(directory);
    // A fixed threshold keeps large blocks out of the heap: each is given back
    // to the system when freed, so every load's memory shows in the RSS.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);

    std::printf("%8s %9s %9s %9s %7s %7s %10s %10s %10s\n", "size MB", "lines", "wc -l ms",
                "load ms", "load/wc", "MB/s", "held/size", "peak/size", "anon/size");
    for (const int megabytes : {1, 10, 100}) {
        const std::string path =
            (directory / ("tips-" + std::to_string(megabytes) + "MB.txt")).string();
        WriteTipFile(path, static_cast<std::size_t>(megabytes) << 20);
        const double size = static_cast<double>(fs::file_size(path));

        const double wc = WcSeconds(path); // the first run also fills the page cache
        Load best{1e9, 0, 0, 0, 0};
        for (int run = 0; run < Runs; ++run) {
            const Load load = LoadOnce(path);
            if (load.seconds < best.seconds)
                best = load;
        }
        std::printf("%8.1f %9d %9.2f %9.2f %7.2f %7.0f %10.3f %10.3f %10.3f\n", size / (1 << 20),
                    best.lines, wc * 1e3, best.seconds * 1e3, best.seconds / wc,
                    size / (1 << 20) / best.seconds, best.heldBytes / size, best.peakBytes / size,
                    best.anonymousBytes / size);
        fs::remove(path);
    }
    return 0;
}
