#pragma once

#include <stdexcept>
#include <string>

namespace thiessen {

// Bad data in an input file: which file, where in it, and what was expected
// there. Line and column count from 1; 0 means the whole file or the whole
// line. The column is given by number and, where the file names it, by name.
class DataError : public std::runtime_error {
public:
    DataError(const std::string& file, long line, int column, const std::string& columnName,
              const std::string& problem);
    // A problem of the whole file.
    DataError(const std::string& file, const std::string& problem);

    const std::string& File() const { return file_; }
    long Line() const { return line_; }
    int Column() const { return column_; }

private:
    std::string file_;
    long line_ = 0;
    int column_ = 0;
};

} // namespace thiessen
