#include "thiessenwindow/model/series_loader.h"

#include "thiessen/base/data_error.h"
#include "thiessen/io/input_file.h"
#include "thiessen/io/series_reader.h"
#include "thiessen/study/catchment.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <new>

namespace rainfall {

// The way from the threads to the loader, which they must not take once the
// loader is destroyed.
struct SeriesLoader::Link {
    explicit Link(SeriesLoader* owner) : loader(owner) {}

    std::mutex mutex;
    SeriesLoader* loader; // null once destroyed; read and written under mutex
};

// A read, shared by the loader and the thread that does it.
struct SeriesLoader::Read {
    Read(std::shared_ptr<Link> to, int started) : link(std::move(to)), revision(started) {}

    const std::shared_ptr<Link> link;
    const int revision;
    std::atomic<bool> stop = false;
};

namespace {

// The file is read in blocks of this size; progress moves a block at a time.
constexpr std::size_t kBlockSize = std::size_t{1} << 18;

// The reads run on a pool that the application owns, so that the
// application's end, not a window's, waits for a read still running, and no
// thread is left running into the destruction of static objects.
QThreadPool& Pool()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr)
        return *QThreadPool::globalInstance();
    auto* pool =
        application->findChild<QThreadPool*>("rainfall::SeriesLoader", Qt::FindDirectChildrenOnly);
    if (pool == nullptr) {
        pool = new QThreadPool(application);
        pool->setObjectName("rainfall::SeriesLoader");
        // A replaced read may still be opening a long series, which it does
        // not stop in the middle of: room for a few beside the new one.
        pool->setMaxThreadCount(4);
    }
    return *pool;
}

// Where reading has got in a file, in bytes; -1 when unknown. Files may be
// larger than long counts on Windows.
std::int64_t Position(std::FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return ftello(file);
#endif
}

// The size of a file open at its start, which it is left at; -1 when unknown.
std::int64_t Size(std::FILE* file)
{
#ifdef _WIN32
    const bool atEnd = _fseeki64(file, 0, SEEK_END) == 0;
#else
    const bool atEnd = fseeko(file, 0, SEEK_END) == 0;
#endif
    const std::int64_t size = atEnd ? Position(file) : -1;
    std::rewind(file);
    return size;
}

// The part of a file read, in percent, from 0 to 100.
int Percent(std::int64_t position, std::int64_t size)
{
    if (size <= 0 || position <= 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(100, position * 100 / size));
}

std::vector<const thiessen::Coverage*> Basins(const thiessen::Catchment& catchment)
{
    std::vector<const thiessen::Coverage*> basins{&catchment.diagram->Clipped()};
    if (!catchment.subBasins.empty())
        for (const thiessen::Coverage* basin : catchment.Basins())
            basins.push_back(basin);
    return basins;
}

// Reads the series and computes every basin's rainfall, step after step,
// until the end of the file or until stop is set. The catchment's GEOS
// context belongs to another thread: only the diagram's cells and coverages,
// which need none, are used. progress is called with each new percentage.
std::shared_ptr<Series> ReadSeries(const thiessen::Catchment& catchment, const std::string& path,
                                   const std::atomic<bool>& stop,
                                   const std::function<void(int)>& progress)
{
    std::vector<std::string> ids;
    for (const thiessen::Gauge& gauge : catchment.gauges.gauges)
        ids.push_back(gauge.id);
    const thiessen::InputFile file = thiessen::OpenInputFile(path);
    const std::int64_t size = Size(file.get());
    // -9999, the usual no-data value, is missing too: as a rainfall it would
    // be refused for being negative.
    const std::unique_ptr<thiessen::SeriesSource> source =
        thiessen::OpenSeries(file.get(), path, ids, {{"-9999"}, {}}, kBlockSize);
    const std::vector<const thiessen::Coverage*> basins = Basins(catchment);
    thiessen::BasinRainfall rainfall(catchment.diagram->Unclipped(), basins);
    auto series = std::make_shared<Series>();
    series->gauges = ids.size();
    series->basins = basins.size();
    std::vector<thiessen::StepRainfall> results;
    thiessen::SeriesStep step;
    int percent = 0;
    while (!stop && source->Next(step)) {
        series->times.push_back(step.time);
        rainfall.Compute(step.values, results);
        series->steps.insert(series->steps.end(), results.begin(), results.end());
        for (double value : step.values)
            series->values.push_back(static_cast<float>(value));
        if (const int read = Percent(Position(file.get()), size); read > percent)
            progress(percent = read);
    }
    return series;
}

// What a failed read tells the user: the reader's message names the file and
// the line; anything else is said in words of the file.
QString FailureMessage(const std::string& path)
{
    try {
        throw;
    } catch (const thiessen::DataError& error) {
        return QString::fromStdString(error.what());
    } catch (const std::bad_alloc&) {
        return QString::fromStdString(path) + ": the series is too large for the memory";
    } catch (...) {
        return QString::fromStdString(path) + ": the series could not be read";
    }
}

} // namespace

SeriesLoader::SeriesLoader(QObject* parent) : QObject(parent), link_(std::make_shared<Link>(this))
{
}

SeriesLoader::~SeriesLoader()
{
    Drop();
    const std::lock_guard lock(link_->mutex);
    link_->loader = nullptr;
}

void SeriesLoader::Start(std::shared_ptr<const thiessen::Catchment> catchment,
                         const std::string& seriesPath, int revision)
{
    Drop();
    read_ = std::make_shared<Read>(link_, revision);
    Pool().start([read = read_, catchment = std::move(catchment), seriesPath]() mutable {
        Work(read, std::move(catchment), seriesPath);
    });
}

void SeriesLoader::Cancel()
{
    if (!read_)
        return;
    const int revision = read_->revision;
    Drop();
    emit cancelled(revision);
}

void SeriesLoader::Drop()
{
    if (!read_)
        return;
    read_->stop = true;
    read_.reset();
}

// Has report run on the loader's thread if the read is still the loader's
// then. Qt drops what is queued for a loader when it is destroyed, and
// nothing is queued after.
template <class Report> void SeriesLoader::Post(const std::shared_ptr<Read>& read, Report report)
{
    const std::lock_guard lock(read->link->mutex);
    SeriesLoader* const loader = read->link->loader;
    if (loader == nullptr)
        return;
    QMetaObject::invokeMethod(
        loader,
        [loader, read, report = std::move(report)] {
            if (loader->read_ == read)
                report(*loader);
        },
        Qt::QueuedConnection);
}

void SeriesLoader::Work(const std::shared_ptr<Read>& read,
                        std::shared_ptr<const thiessen::Catchment> catchment,
                        const std::string& path)
{
    const int revision = read->revision;
    // The end of the read goes to the loader's thread with the catchment,
    // so that it is released there while the loader lives; there it is
    // dropped unless the read is still the loader's.
    const auto finish = [&](auto signal) {
        Post(read, [catchment = std::move(catchment), signal](SeriesLoader& loader) {
            loader.read_.reset();
            signal(loader);
        });
    };
    try {
        const std::shared_ptr<const Series> series =
            ReadSeries(*catchment, path, read->stop, [&](int percent) {
                Post(read, [percent, revision](SeriesLoader& loader) {
                    emit loader.progress(percent, revision);
                });
            });
        finish([series, revision](SeriesLoader& loader) { emit loader.loaded(series, revision); });
    } catch (...) {
        const QString message = FailureMessage(path);
        finish(
            [message, revision](SeriesLoader& loader) { emit loader.failed(message, revision); });
    }
}

} // namespace rainfall
