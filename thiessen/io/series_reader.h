#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace thiessen {

// One time step of a rainfall series: the time as the file writes it, and
// one value per gauge in the gauges file's order; a missing value is NaN.
struct SeriesStep {
    std::string time;
    std::vector<double> values;
    long line = 0;
};

// Reads a series file step by step, so that a series of any length needs the
// memory of one step. The file is CSV: the first column is the time, the
// others are named by gauge ids, in any order; a gauge without a column is
// missing at every step. Missing values are empty fields, NA, NaN, or one of
// the extra tokens given. Refuses, with a DataError, a column that names no
// gauge, a row with too many or too few fields, a value that is neither a
// number nor a missing token, and a negative rainfall.
class SeriesReader {
public:
    SeriesReader(const std::string& path, const std::vector<std::string>& gaugeIds,
                 const std::vector<std::string>& missingTokens);
    // Reads a file already open (standard input, say), which stays open;
    // name stands for it in messages. The file is read in blocks of the
    // given size; a step longer than a block makes it larger.
    SeriesReader(std::FILE* file, const std::string& name, const std::vector<std::string>& gaugeIds,
                 const std::vector<std::string>& missingTokens, size_t blockSize = size_t{1} << 20);
    ~SeriesReader();
    SeriesReader(const SeriesReader&) = delete;
    SeriesReader& operator=(const SeriesReader&) = delete;

    // Reads the next step into step, reusing its memory; false at the end of
    // the file.
    bool Next(SeriesStep& step);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace thiessen
