#pragma once

#include "thiessen/study/catchment_rainfall.h"

#include <QObject>
#include <QString>

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace thiessen {
struct Catchment;
}

namespace rainfall {

// A rainfall series read whole: each step's time, the rainfall of each basin
// (the whole catchment first, then each sub-basin, if any), and the values of
// the gauges (NaN where one did not report), kept in single precision, the
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

// Reads a series for a catchment on a thread of its own, so that the window
// stays responsive however large the file; -9999, the usual no-data value,
// counts as missing. What it reports carries the revision its read was
// started with and arrives on the loader's thread, which must be the
// application's. Starting again, cancelling and destroying the loader never
// wait for the thread, and nothing from a replaced or cancelled read is
// reported after: a read still running stops at its next step, and the
// application's end waits for it.
class SeriesLoader : public QObject {
    Q_OBJECT

public:
    explicit SeriesLoader(QObject* parent = nullptr);
    ~SeriesLoader() override;

    // Replaces the read under way, if any, without a signal for it. The
    // catchment is shared with the thread, which uses only what of its
    // diagram needs no GEOS context; the thread's share is released on the
    // loader's thread, unless the loader is destroyed first.
    void Start(std::shared_ptr<const thiessen::Catchment> catchment, const std::string& seriesPath,
               int revision);
    // Stops the read under way, if any, and says so at once with cancelled.
    void Cancel();
    bool Running() const { return read_ != nullptr; }

signals:
    // Percent of the file read, 0 to 100, never less than before in a read.
    void progress(int percent, int revision);
    void loaded(std::shared_ptr<const rainfall::Series> series, int revision);
    // A message for the user that names the file, and the line where there is one.
    void failed(const QString& message, int revision);
    void cancelled(int revision);

private:
    struct Link;
    struct Read;
    static void Work(const std::shared_ptr<Read>& read,
                     std::shared_ptr<const thiessen::Catchment> catchment, const std::string& path);
    template <class Report> static void Post(const std::shared_ptr<Read>& read, Report report);
    // Lets go of the read under way: it stops, and nothing more of it is reported.
    void Drop();

    std::shared_ptr<Link> link_; // to this loader, for its reads' threads
    std::shared_ptr<Read> read_; // the read under way; used on the loader's thread only
};

} // namespace rainfall
