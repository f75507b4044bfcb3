// Reads a rainfall series and does nothing else with it, so that reading can
// be timed against pandas.read_csv on the same file (bench/thiessen/run.py).
//
//     bench_read_series GAUGES SERIES
//
// prints "seconds=S cpu=C steps=N missing=M": the wall-clock and processor
// time of reading the series, after the gauges, and what was read.
#include "thiessen/base/data_error.h"
#include "thiessen/io/gauges.h"
#include "thiessen/io/series_reader.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_read_series GAUGES SERIES\n");
        return 2;
    }
    try {
        std::vector<std::string> ids;
        for (const thiessen::Gauge& gauge : thiessen::ReadGauges(argv[1]).gauges)
            ids.push_back(gauge.id);
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        thiessen::SeriesReader reader(argv[2], ids, {});
        thiessen::SeriesStep step;
        long steps = 0, missing = 0;
        while (reader.Next(step)) {
            ++steps;
            for (double value : step.values)
                missing += std::isnan(value);
        }
        const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("seconds=%.3f cpu=%.3f steps=%ld missing=%ld\n", seconds.count(), cpu, steps,
                    missing);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_read_series: %s\n", error.what());
        return 1;
    }
}
