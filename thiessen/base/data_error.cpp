#include "thiessen/base/data_error.h"

namespace thiessen {

namespace {

std::string Where(const std::string& file, long line, int column, const std::string& columnName)
{
    std::string where = file;
    if (line > 0)
        where += ", line " + std::to_string(line);
    if (column > 0) {
        where += ", column " + std::to_string(column);
        if (!columnName.empty())
            where += " (" + columnName + ")";
    }
    return where;
}

} // namespace

DataError::DataError(const std::string& file, long line, int column, const std::string& columnName,
                     const std::string& problem)
    : std::runtime_error(Where(file, line, column, columnName) + ": " + problem), file_(file),
      line_(line), column_(column)
{
}

DataError::DataError(const std::string& file, const std::string& problem)
    : DataError(file, 0, 0, {}, problem)
{
}

} // namespace thiessen
