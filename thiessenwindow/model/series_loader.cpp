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

void SeriesLoader::Start(std::shared_ptr<const thiessen::Catchment> catchment,
                         const std::string& seriesPath, int revision)
{
    Cancel();
    Finish();
    cancel_ = false;
    ++generation_;
    worker_ = std::thread(&SeriesLoader::Work, this, generation_, catchment, seriesPath, revision);
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

void SeriesLoader::Work(int generation, std::shared_ptr<const thiessen::Catchment> shared,
                        std::string seriesPath, int revision)
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
        const thiessen::Catchment& catchment = *shared;
        std::vector<std::string> ids;
        for (const thiessen::Gauge& gauge : catchment.gauges.gauges)
            ids.push_back(gauge.id);
        const long lines = std::max(CountLines(seriesPath, cancel_), 1L);
        // -9999, the usual no-data value, is missing too: as a rainfall it
        // would be refused for being negative.
        thiessen::SeriesReader reader(seriesPath, ids, {"-9999"});
        // The whole catchment first, then each sub-basin.
        std::vector<const thiessen::Coverage*> basins{&catchment.diagram->Clipped()};
        if (!catchment.subBasins.empty())
            for (const thiessen::Coverage* basin : catchment.Basins())
                basins.push_back(basin);
        thiessen::BasinRainfall rainfall(catchment.diagram->Unclipped(), basins);
        std::vector<thiessen::StepRainfall> results;
        auto series = std::make_shared<Series>();
        series->gauges = ids.size();
        series->basins = basins.size();
        thiessen::SeriesStep step;
        auto reported = Clock::now();
        int percent = 0;
        while (!cancel_ && reader.Next(step)) {
            series->times.push_back(step.time);
            rainfall.Compute(step.values, results);
            series->steps.insert(series->steps.end(), results.begin(), results.end());
            for (double value : step.values)
                series->values.push_back(static_cast<float>(value));
            if (Clock::now() - reported >= ProgressInterval) {
                reported = Clock::now();
                // A long series' steps come in time order, not by line.
                percent = std::max(percent, static_cast<int>(100 * step.line / lines));
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, percent, revision] {
                        if (generation == generation_)
                            emit progress(percent, revision);
                    },
                    Qt::QueuedConnection);
            }
        }
        if (cancel_)
            return report([this, revision] { emit cancelled(revision); });
        report([this, series, revision] { emit loaded(series, revision); });
    } catch (const std::exception& error) {
        const QString message = QString::fromStdString(error.what());
        report([this, message, revision] { emit failed(message, revision); });
    }
}

} // namespace rainfall
