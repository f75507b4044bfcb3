#include "thiessenwindow/model/series_loader.h"

#include "thiessen/io/series_reader.h"
#include "thiessen/study/catchment.h"

#include <QMetaObject>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace rainfall {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto ProgressInterval = std::chrono::milliseconds(50);

// The lines of a file, for the progress bar; 0 when it cannot be read (the
// reader then says why).
long CountLines(const std::string& path, const std::atomic<bool>& cancel)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    long lines = 0;
    while (file && !cancel) {
        file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto read = static_cast<std::size_t>(file.gcount());
        for (std::size_t i = 0; i < read; ++i)
            lines += buffer[i] == '\n';
    }
    return lines;
}

} // namespace

SeriesLoader::SeriesLoader(QObject* parent) : QObject(parent) {}

SeriesLoader::~SeriesLoader()
{
    Cancel();
    Finish();
}

void SeriesLoader::Start(const std::string& gaugesPath, const std::string& boundaryPath,
                         const std::string& seriesPath)
{
    Cancel();
    Finish();
    cancel_ = false;
    ++generation_;
    worker_ =
        std::thread(&SeriesLoader::Work, this, generation_, gaugesPath, boundaryPath, seriesPath);
}

void SeriesLoader::Cancel()
{
    cancel_ = true;
}

void SeriesLoader::Finish()
{
    if (worker_.joinable())
        worker_.join();
}

void SeriesLoader::Work(int generation, std::string gaugesPath, std::string boundaryPath,
                        std::string seriesPath)
{
    // Every report but progress ends the worker, which the loader's thread
    // then joins. What a worker that was replaced reports is dropped.
    const auto report = [this, generation](auto signal) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, signal] {
                if (generation != generation_)
                    return;
                Finish();
                signal();
            },
            Qt::QueuedConnection);
    };
    try {
        const thiessen::Geos geos;
        const thiessen::Catchment catchment =
            thiessen::LoadCatchment(geos, gaugesPath, boundaryPath);
        std::vector<std::string> ids;
        for (const thiessen::Gauge& gauge : catchment.gauges.gauges)
            ids.push_back(gauge.id);
        const long lines = std::max(CountLines(seriesPath, cancel_), 1L);
        // -9999, the usual no-data value, is missing too: as a rainfall it
        // would be refused for being negative.
        thiessen::SeriesReader reader(seriesPath, ids, {"-9999"});
        thiessen::CatchmentRainfall rainfall(*catchment.diagram);
        auto series = std::make_shared<Series>();
        series->gauges = ids.size();
        thiessen::SeriesStep step;
        auto reported = Clock::now();
        int percent = 0;
        while (!cancel_ && reader.Next(step)) {
            series->times.push_back(step.time);
            series->steps.push_back(rainfall.Compute(step.values));
            for (double value : step.values)
                series->values.push_back(static_cast<float>(value));
            if (Clock::now() - reported >= ProgressInterval) {
                reported = Clock::now();
                // A long series' steps come in time order, not by line.
                percent = std::max(percent, static_cast<int>(100 * step.line / lines));
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, percent] {
                        if (generation == generation_)
                            emit progress(percent);
                    },
                    Qt::QueuedConnection);
            }
        }
        if (cancel_)
            return report([this] { emit cancelled(); });
        report([this, series] { emit loaded(series); });
    } catch (const std::exception& error) {
        const QString message = QString::fromStdString(error.what());
        report([this, message] { emit failed(message); });
    }
}

} // namespace rainfall
