// Benchmark, not a test: opens a large generated series in the Thiessen
// window and measures how long the window's event loop is ever blocked while
// it is read, with a timer that asks to run every millisecond; side by side,
// the time the same work takes on one thread with nothing else to do (what
// `thiessen series` does). Then times the window's showing of one step with
// missing gauges, which rebuilds that step's cells on the window's thread.
// Last, Cancel pressed half a second into reading the series again.
//
//   bench_thiessen_window [gauges [steps [directory]]]   (2000 10000 /tmp)
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

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int gauges = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 10000;
    const std::filesystem::path folder =
        std::filesystem::path(argc > 3 ? argv[3] : "/tmp") / "bench-thiessen-window";
    std::filesystem::create_directories(folder);
    auto start = Clock::now();
    Generate(folder, gauges, steps);
    std::printf("%d gauges x %d steps, series file %.0f MB, generated in %.1f s\n", gauges, steps,
                std::filesystem::file_size(folder / "series.csv") / 1e6, Seconds(start));

    rainfall::ThiessenWindow window;
    window.show();
    start = Clock::now();
    window.OpenGauges(QString::fromStdString((folder / "gauges.csv").string()));
    window.OpenBoundary(QString::fromStdString((folder / "boundary.wkt").string()));
    const double opening = Seconds(start);
    // Its first painting, timed on its own, before the probe starts.
    QCoreApplication::processEvents();
    start = Clock::now();
    window.repaint();
    const double painting = Seconds(start);

    // The probe: the longest time between two runs of a timer that asks to
    // run every millisecond is the longest the event loop was blocked.
    QElapsedTimer sinceTick;
    QElapsedTimer sinceStart;
    qint64 longest = 0;
    qint64 longestAt = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        if (gap > longest) {
            longest = gap;
            longestAt = sinceStart.elapsed();
        }
    });
    // The same probe with nothing to do, for what the machine itself
    // imposes on a thread that waits for a timer.
    {
        QEventLoop idle;
        QTimer::singleShot(2000, &idle, &QEventLoop::quit);
        sinceTick.start();
        probe.start(1);
        idle.exec();
        probe.stop();
        std::printf("idle event loop for 2 s: longest block %lld ms\n",
                    static_cast<long long>(longest));
        longest = 0;
    }
    QEventLoop loop;
    QObject::connect(&window, &rainfall::ThiessenWindow::seriesLoaded, &loop, &QEventLoop::quit);
    start = Clock::now();
    sinceTick.start();
    sinceStart.start();
    probe.start(1);
    window.OpenSeries(QString::fromStdString((folder / "series.csv").string()));
    loop.exec();
    const double reading = Seconds(start);
    // Half a second more, so that the window's showing of the series (the
    // plot appears, the map is laid out and painted again) is measured too.
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
    probe.stop();

    start = Clock::now();
    window.ShowStep(steps / 2);
    const double oneStep = Seconds(start);
    start = Clock::now();
    window.ShowStep(-1);
    const double whole = Seconds(start);

    // Cancel, pressed half a second into reading the series again: how long
    // until the reading has stopped and the window is as it was.
    auto* loader = window.findChild<rainfall::SeriesLoader*>();
    QPushButton* cancel = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == "&Cancel")
            cancel = button;
    QObject::connect(loader, &rainfall::SeriesLoader::cancelled, &loop, &QEventLoop::quit);
    QObject::connect(loader, &rainfall::SeriesLoader::loaded, &loop, &QEventLoop::quit);
    Clock::time_point cancelled;
    QTimer::singleShot(500, [&] {
        cancelled = Clock::now();
        cancel->click();
    });
    window.OpenSeries(QString::fromStdString((folder / "series.csv").string()));
    loop.exec();
    const double stopping = Seconds(cancelled);
    const bool stopped = !loader->Running() && !window.findChild<QProgressBar*>()->isVisible();

    std::printf("opening gauges and boundary (diagram, map, table; blocks the window): %.3f s\n",
                opening);
    std::printf("painting the window with the map of every cell: %.3f s\n", painting);
    std::printf("series in the window: %.2f s, longest event-loop block %lld ms, ending %.2f s "
                "after the start\n",
                reading, static_cast<long long>(longest), longestAt / 1000.0);
    std::printf("same work on one thread alone (as `thiessen series`):\n");
    const double alone = ReadAlone(folder);
    std::printf("                                %.2f s\n", alone);
    std::printf("showing one step with missing gauges (cells rebuilt): %.3f s\n", oneStep);
    std::printf("showing the whole diagram again: %.3f s\n", whole);
    std::printf("Cancel half a second into reading: stopped %s after %.3f s\n",
                stopped ? "and the progress bar hidden" : "NOT", stopping);
    return 0;
}
