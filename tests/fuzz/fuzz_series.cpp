// libFuzzer target: the series reader on any file, for the gauges G1, G2,
// G3. It also reads the same bytes as CSV twice, from memory and from a file
// in tiny blocks, and stops when the two disagree: the records must not
// depend on where the blocks end.
#include "thiessen/base/data_error.h"
#include "thiessen/io/csv.h"
#include "thiessen/io/series_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Every record's line and fields, or the error that ended the reading.
std::string Trace(thiessen::csv::Reader& reader)
{
    std::string trace;
    try {
        for (const std::string& name : reader.ReadHeader())
            trace += name + '|';
        while (reader.NextRecord()) {
            trace += '\n' + std::to_string(reader.Line()) + ':';
            for (size_t i = 0; i < reader.Header().size(); ++i)
                trace += std::string(reader.Field()) + '|';
            reader.EndRecord();
        }
    } catch (const thiessen::DataError& error) {
        trace += error.what();
    }
    return trace;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    std::FILE* file = fmemopen(text.data(), text.size(), "rb");
    try {
        thiessen::SeriesReader reader(file, "series.csv", {"G1", "G2", "G3"}, {"-9999"},
                                      1 + data[0] % 64);
        for (thiessen::SeriesStep step; reader.Next(step);) {
        }
    } catch (const thiessen::DataError&) {
    }
    std::rewind(file);
    thiessen::csv::Reader inMemory(text, "series.csv");
    thiessen::csv::Reader inBlocks(file, "series.csv", 1 + data[0] % 8);
    if (Trace(inMemory) != Trace(inBlocks))
        std::abort();
    std::fclose(file);
    return 0;
}
