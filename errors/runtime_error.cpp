#include "errors/runtime_error.h"

namespace rainfall {

namespace {

std::string Describe(RuntimeError::Kind kind, const std::string& detail)
{
    std::string text = ErrorName(kind);
    if (!detail.empty())
        text += ": " + detail;
    return text;
}

} // namespace

RuntimeError::RuntimeError(Kind kind, const std::string& detail)
    : std::runtime_error(Describe(kind, detail)), kind_(kind), detail_(detail)
{
}

const char* ErrorName(RuntimeError::Kind kind)
{
    switch (kind) {
    case RuntimeError::Kind::Overflow:
        return "Overflow";
    case RuntimeError::Kind::DivisionByZero:
        return "Division by zero";
    case RuntimeError::Kind::InvalidOperation:
        return "Invalid operation";
    case RuntimeError::Kind::InvalidArgument:
        return "Invalid argument";
    case RuntimeError::Kind::FileError:
        return "File error";
    }
    return "Unknown error";
}

} // namespace rainfall
