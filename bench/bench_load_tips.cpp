// Benchmark, not a test: loads generated tip files the way the welcome
// window does and compares the time with `wc -l` on the same files; prints the
// speed and the memory the tip list takes. Then opens the welcome window on
// each file and times it until it is painted, and OK until the main window is
// painted, and prints how much of the tip the panel shows: never more than
// 4096 characters or 65 lines, however large the tip. Files: 1, 10 and 100 MB of tips with CR LF
// line ends, a file of 1,000,000 short lines with LF line ends (one tip), and one line of 50 MB.
//
//   bench_load_tips [directory for the generated files]
#include "app/start_up.h"
#include "platform/system/runtime_library.h"
#include "welcome/logic/tip_of_day.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

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
#include <functional>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Runs = 5;

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

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
    Write(path, text);
}

// An ordinary Unix text file: 1,000,000 short lines ending in line feeds.
void WriteLineFeedFile(const std::string& path)
{
    std::string text;
    for (int line = 1; line <= 1000000; ++line)
        text += "Tip number " + std::to_string(1000000 + line) + "\n";
    Write(path, text);
}

void WriteOneLongLine(const std::string& path)
{
    std::string text;
    while (text.size() < 50000000)
        text += "rain gauge ";
    Write(path, text);
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
    long long heldBytes; // resident growth while the tips are loaded
    long long peakBytes; // resident peak growth during the load
    std::int32_t lines;
};

Load LoadOnce(const std::string& path)
{
    rainfall::SystemRunTimeLibrary runtime;
    ResetPeak();
    const long long before = StatusBytes("VmRSS:");
    std::size_t shown = 0;
    rainfall::TipOfDay tips(runtime, [&shown](std::string_view tip) { shown += tip.size(); });
    const auto start = Clock::now();
    tips.LoadTips(path);
    const double seconds = Seconds(Clock::now() - start);
    return {seconds, StatusBytes("VmRSS:") - before, StatusBytes("VmHWM:") - before,
            tips.TipLines().Count()};
}

// The program's directory is the one that holds the tip file.
class TipDirectory : public rainfall::SystemRunTimeLibrary {
public:
    explicit TipDirectory(std::string directory) : directory_(std::move(directory)) {}
    std::string ProgramDirectory() override { return directory_; }

private:
    std::string directory_;
};

struct Window {
    double shown;      // seconds from creating the welcome window to its first painting
    double handedOver; // from OK to the main window's first painting
    QString tip;       // what the tip panel shows, as plain text
};

Window OpenWindow(const std::filesystem::path& tipFile)
{
    namespace fs = std::filesystem;
    const fs::path directory = tipFile.parent_path() / "window";
    fs::create_directories(directory);
    fs::rename(tipFile, directory / "TIPOFDAY.TXT");
    TipDirectory runtime(directory.string());
    const auto start = Clock::now();
    QWidget* welcome = rainfall::OpenWelcomeWindow({.runtime = runtime});
    welcome->grab();
    const double shown = Seconds(Clock::now() - start);
    const QString tip = welcome->findChild<QLabel*>("lblTipText")->accessibleName();
    const auto ok = Clock::now();
    welcome->findChild<QPushButton*>("cmdOK")->click();
    const QWidgetList windows = QApplication::topLevelWidgets();
    QWidget* main = *std::ranges::find(windows, "W", &QWidget::objectName);
    main->grab();
    const double handedOver = Seconds(Clock::now() - ok);
    delete main;
    QApplication::processEvents(); // the welcome window deletes itself
    fs::rename(directory / "TIPOFDAY.TXT", tipFile);
    return {shown, handedOver, tip};
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path directory =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "bench-tips";
    fs::create_directories(directory);
    // A fixed threshold keeps large blocks out of the heap: each is given back
    // to the system when freed, so every load's memory shows in the RSS.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);

    std::printf("%-22s %8s %9s %9s %7s %10s %10s %10s %8s %10s %10s\n", "file", "size MB",
                "wc -l ms", "load ms", "load/wc", "held/size", "peak/size", "window ms", "OK ms",
                "tip chars", "tip lines");
    const std::pair<const char*, std::function<void(const std::string&)>> files[] = {
        {"1 MB of tips", [](const std::string& path) { WriteTipFile(path, 1 << 20); }},
        {"10 MB of tips", [](const std::string& path) { WriteTipFile(path, 10 << 20); }},
        {"100 MB of tips", [](const std::string& path) { WriteTipFile(path, 100 << 20); }},
        {"1,000,000 LF lines", WriteLineFeedFile},
        {"one 50 MB line", WriteOneLongLine},
    };
    for (const auto& [name, write] : files) {
        const fs::path path = directory / "tips.txt";
        write(path.string());
        const double size = static_cast<double>(fs::file_size(path));

        const double wc = WcSeconds(path.string()); // the first run also fills the page cache
        Load best{1e9, 0, 0, 0};
        for (int run = 0; run < Runs; ++run) {
            const Load load = LoadOnce(path.string());
            if (load.seconds < best.seconds)
                best = load;
        }
        const Window window = OpenWindow(path);
        std::printf("%-22s %8.1f %9.2f %9.2f %7.2f %10.3f %10.3f %10.1f %8.1f %10lld %10lld\n",
                    name, size / (1 << 20), wc * 1e3, best.seconds * 1e3, best.seconds / wc,
                    best.heldBytes / size, best.peakBytes / size, window.shown * 1e3,
                    window.handedOver * 1e3, static_cast<long long>(window.tip.size()),
                    static_cast<long long>(window.tip.count('\n') + 1));
        fs::remove(path);
    }
    return 0;
}
