#pragma once

#include <stdexcept>
#include <string>

namespace rainfall {

// The one error type of the program. Every failure that is not an expected
// condition (such as an empty entry) is a RuntimeError that says which kind of
// error it is; the detail text, when given, says what went wrong in words a user
// can act on.
class RuntimeError : public std::runtime_error {
public:
    enum class Kind { Overflow, DivisionByZero, InvalidOperation, InvalidArgument, FileError };

    explicit RuntimeError(Kind kind, const std::string& detail = {});

    Kind ErrorKind() const noexcept { return kind_; }
    const std::string& Detail() const noexcept { return detail_; }

private:
    Kind kind_;
    std::string detail_;
};

// The short name of an error kind, e.g. "Overflow" or "Division by zero".
const char* ErrorName(RuntimeError::Kind kind);

} // namespace rainfall
