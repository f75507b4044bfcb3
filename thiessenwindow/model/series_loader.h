#pragma once

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

// A rainfall series read whole: each step's time, its catchment rainfall,
// and the values of the gauges (NaN where one did not report), kept in
// single precision, the precision the results are computed in.
struct Series {
    std::size_t gauges = 0;
    std::vector<std::string> times;
    std::vector<thiessen::StepRainfall> steps;
    std::vector<float> values; // step after step, one value per gauge

    std::size_t Size() const { return steps.size(); }
    std::span<const float> Values(std::size_t step) const
    {
        return {values.data() + step * gauges, gauges};
    }
    bool HasGaps(std::size_t step) const { return steps[step].reporting < gauges; }
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

    void Start(const std::string& gaugesPath, const std::string& boundaryPath,
               const std::string& seriesPath);
    void Cancel();
    bool Running() const { return worker_.joinable(); }

signals:
    void progress(int percent);
    void loaded(std::shared_ptr<const rainfall::Series> series);
    void failed(const QString& message);
    void cancelled();

private:
    void Work(int generation, std::string gaugesPath, std::string boundaryPath,
              std::string seriesPath);
    void Finish();

    std::thread worker_;
    std::atomic<bool> cancel_ = false;
    int generation_ = 0; // of the latest worker; read and written on the loader's thread only
};

} // namespace rainfall
