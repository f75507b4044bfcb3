#pragma once

#include "thiessen/study/catchment.h"
#include "thiessen/study/catchment_rainfall.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace rainfall {

// A rainfall series read whole: each step's time, the rainfall of each basin
// (the whole catchment first, then each sub-basin), and the values of the
// gauges (NaN where one did not report), kept in single precision, the
// precision the results are computed in.
struct Series {
    std::size_t gauges = 0;
    std::size_t basins = 1;
    std::vector<std::string> times;
    std::vector<thiessen::StepRainfall> steps; // step after step, one per basin
    std::vector<float> values;                 // step after step, one per gauge

    std::size_t Size() const { return times.size(); }
    const thiessen::StepRainfall& Step(std::size_t step, std::size_t basin = 0) const
    {
        return steps[step * basins + basin];
    }
    std::span<const float> Values(std::size_t step) const
    {
        return {values.data() + step * gauges, gauges};
    }
    bool HasGaps(std::size_t step) const { return Step(step).reporting < gauges; }
};

// Reads a series and computes its catchment rainfall on a thread of its own,
// so that the window stays responsive however large the file. The thread
// builds its own catchment from the files: geometries belong to the thread
// that made them. Progress, the result, a failure or the cancellation
// arrive as signals on the loader's thread.
class SeriesLoader : public QObject {
    Q_OBJECT

public:
    explicit SeriesLoader(QObject* parent = nullptr);
    ~SeriesLoader() override;

    void Start(std::shared_ptr<const thiessen::Catchment> catchment, const std::string& seriesPath,
               int revision);
    void Cancel();
    bool Running() const { return worker_.joinable(); }

signals:
    void progress(int percent, int revision);
    void loaded(std::shared_ptr<const rainfall::Series> series, int revision);
    void failed(const QString& message, int revision);
    void cancelled(int revision);

private:
    void Work(int generation, std::shared_ptr<const thiessen::Catchment> catchment,
              std::string seriesPath, int revision);
    void Finish();

    std::thread worker_;
    std::atomic<bool> cancel_ = false;
    int generation_ = 0; // of the latest worker; read and written on the loader's thread only
};

} // namespace rainfall
