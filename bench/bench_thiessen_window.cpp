// Benchmark, not a test: opens a large generated series in the Thiessen
// window and measures how long the window's event loop is ever blocked while
// it is read, with a timer that asks to run every millisecond; side by side,
// the time the same work takes on one thread with nothing else to do (what
// `thiessen series` does). Then times the window's showing of one step with
// missing gauges, which rebuilds that step's cells on the window's thread.
// Last, Cancel pressed half a second into reading the series again. The
// same again by sub-basin when real counties are given: a county layer, its
// naming field, gauges and a series (bench/thiessen/generate.py makes them).
//
//   bench_thiessen_window [gauges [steps [directory]]]   (2000 10000 /tmp)
//   bench_thiessen_window --by FIELD GAUGES BOUNDARY SERIES
#include "thiessen/io/series_reader.h"
#include "thiessen/study/catchment.h"
#include "thiessen/study/catchment_rainfall.h"
#include "thiessenwindow/model/series_loader.h"
#include "thiessenwindow/thiessen_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Gauges at random in a 100 km square catchment, and a series of hourly
// values with 0.1% of them missing.
void Generate(const std::filesystem::path& folder, int gauges, int steps)
{
    std::mt19937 random(14);
    std::uniform_real_distribution<double> place(0, 100000);
    std::uniform_int_distribution<int> rain(0, 300);
    std::uniform_int_distribution<int> gap(0, 999);
    std::ofstream g(folder / "gauges.csv");
    g << "id,x,y\n";
    for (int i = 0; i < gauges; ++i)
        g << 'G' << i << ',' << place(random) << ',' << place(random) << '\n';
    std::ofstream(folder / "boundary.wkt")
        << "POLYGON((0 0,100000 0,100000 100000,0 100000,0 0))\n";
    std::ofstream s(folder / "series.csv");
    s << "time";
    for (int i = 0; i < gauges; ++i)
        s << ",G" << i;
    s << '\n';
    for (int t = 0; t < steps; ++t) {
        s << t;
        for (int i = 0; i < gauges; ++i) {
            s << ',';
            if (gap(random) != 0)
                s << rain(random) / 10.0;
        }
        s << '\n';
    }
}

// The same work as the window's reading, on this thread alone.
double ReadAlone(const std::filesystem::path& folder)
{
    const auto start = Clock::now();
    const thiessen::Geos geos;
    const thiessen::Catchment catchment = thiessen::LoadCatchment(
        geos, (folder / "gauges.csv").string(), (folder / "boundary.wkt").string());
    std::vector<std::string> ids;
    for (const thiessen::Gauge& gauge : catchment.gauges.gauges)
        ids.push_back(gauge.id);
    thiessen::SeriesReader reader((folder / "series.csv").string(), ids, {"-9999"});
    thiessen::CatchmentRainfall rainfall(*catchment.diagram);
    thiessen::SeriesStep step;
    double sum = 0;
    while (reader.Next(step))
        sum += rainfall.Compute(step.values).rainfall.value_or(0);
    std::printf("  (checksum %.6g)\n", sum);
    return Seconds(start);
}

// The longest time the event loop is blocked, measured by a timer that asks
// to run every millisecond: between two of its runs.
struct Probe {
    QElapsedTimer sinceTick, sinceStart;
    qint64 longest = 0, longestAt = 0;
    QTimer timer;
    Probe()
    {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 gap = sinceTick.restart();
            if (gap > longest) {
                longest = gap;
                longestAt = sinceStart.elapsed();
            }
        });
    }
    void Start()
    {
        longest = 0;
        sinceTick.start();
        sinceStart.start();
        timer.start(1);
    }
};

void Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Opens the files in a window as a user would, then reads the series in it,
// steps, and cancels a second reading; prints the figures.
void Run(const QString& gauges, const QString& boundary, const QString& series,
         const QString& field)
{
    rainfall::ThiessenWindow window;
    window.show();
    QCoreApplication::processEvents();
    auto start = Clock::now();
    window.OpenInOrder({gauges, boundary});
    if (!field.isEmpty())
        window.ChooseBasinField(field);
    const double opening = Seconds(start);
    start = Clock::now();
    QCoreApplication::processEvents();
    window.repaint();
    const double painting = Seconds(start);
    std::printf("opening gauges and boundary%s (blocks the window): %.3f s, first painting "
                "%.3f s, usable after %.3f s\n",
                field.isEmpty() ? "" : qPrintable(" by " + field), opening, painting,
                opening + painting);

    Probe probe;
    QEventLoop loop;
    rainfall::StudyModel& study = window.Study();
    QObject::connect(&study, &rainfall::StudyModel::seriesEnded, &loop, &QEventLoop::quit);
    start = Clock::now();
    probe.Start();
    window.OpenSeries(series);
    loop.exec();
    const double reading = Seconds(start);
    // Half a second more, so that the window's showing of the series (the
    // plot appears, the map is laid out and painted again) is measured too.
    Wait(500);
    probe.timer.stop();
    std::printf("series in the window: %.2f s, longest event-loop block %lld ms, ending %.2f s "
                "after the start\n",
                reading, static_cast<long long>(probe.longest), probe.longestAt / 1000.0);
    const auto steps = static_cast<int>(study.CurrentSeries() ? study.CurrentSeries()->Size() : 0);
    start = Clock::now();
    window.ShowStep(steps / 2);
    std::printf("showing one step with missing gauges (cells rebuilt): %.3f s\n", Seconds(start));
    start = Clock::now();
    window.ShowStep(-1);
    std::printf("showing the whole diagram again: %.3f s\n", Seconds(start));

    // Cancel, pressed half a second into reading the series again: how long
    // until the window is as it was.
    QPushButton* cancel = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == "&Cancel")
            cancel = button;
    Clock::time_point cancelled;
    QTimer::singleShot(500, [&] {
        cancelled = Clock::now();
        cancel->click();
    });
    window.OpenSeries(series);
    loop.exec();
    std::printf("Cancel half a second into reading: the progress bar %s after %.3f s\n",
                window.findChild<QProgressBar*>()->isVisible() ? "NOT hidden" : "hidden",
                Seconds(cancelled));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    {
        // What the machine itself imposes on a thread that waits for a timer.
        Probe probe;
        probe.Start();
        Wait(2000);
        std::printf("idle event loop for 2 s: longest block %lld ms\n",
                    static_cast<long long>(probe.longest));
    }
    if (argc == 6 && std::string(argv[1]) == "--by") {
        std::printf("one catchment, the counties merged:\n");
        Run(argv[3], argv[4], argv[5], {});
        std::printf("by county (%s):\n", argv[2]);
        Run(argv[3], argv[4], argv[5], argv[2]);
        return 0;
    }
    const int gauges = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 10000;
    const std::filesystem::path folder =
        std::filesystem::path(argc > 3 ? argv[3] : "/tmp") / "bench-thiessen-window";
    std::filesystem::create_directories(folder);
    const auto start = Clock::now();
    Generate(folder, gauges, steps);
    std::printf("%d gauges x %d steps, series file %.0f MB, generated in %.1f s\n", gauges, steps,
                std::filesystem::file_size(folder / "series.csv") / 1e6, Seconds(start));
    const auto path = [&folder](const char* name) {
        return QString::fromStdString((folder / name).string());
    };
    Run(path("gauges.csv"), path("boundary.wkt"), path("series.csv"), {});
    std::printf("same work on one thread alone (as `thiessen series`):\n");
    const double alone = ReadAlone(folder);
    std::printf("                                %.2f s\n", alone);
    return 0;
}
