#include "number_text.h"

#include "runtime_error.h"

#include <charconv>
#include <system_error>

namespace rainfall {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The characters of the text without its blanks: blanks never end a number.
std::string WithoutBlanks(std::string_view text)
{
    std::string kept;
    for (char c : text)
        if (!IsBlank(c))
            kept += c;
    return kept;
}

// The longest prefix of `text` that forms a number, in the plain form that
// std::from_chars reads. Returns an empty string when there is no digit.
std::string LeadingNumber(const std::string& text)
{
    std::size_t i = 0;
    std::string number;
    if (i < text.size() && text[i] == '-')
        number += text[i++];
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            sawDigit = true;
        } else if (text[i] == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
        number += text[i];
    }
    if (!sawDigit)
        return {};

    // An exponent counts only when at least one digit follows its letter.
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        const std::size_t firstDigit = j;
        while (j < text.size() && IsDigit(text[j]))
            exponent += text[j++];
        if (j > firstDigit)
            number += exponent;
    }
    return number;
}

bool ExponentIsNegative(const std::string& number)
{
    const std::size_t e = number.find('e');
    return e != std::string::npos && e + 1 < number.size() && number[e + 1] == '-';
}

} // namespace

std::string StrText(std::int16_t value)
{
    const std::string digits = std::to_string(value);
    return value < 0 ? digits : " " + digits;
}

std::string StrText(float value)
{
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    std::string text(buffer, result.ptr);
    for (char& c : text)
        if (c == 'e')
            c = 'E';

    const bool negative = !text.empty() && text.front() == '-';
    std::string magnitude = negative ? text.substr(1) : text;
    if (magnitude.rfind("0.", 0) == 0)
        magnitude.erase(0, 1);
    if (magnitude == "0")
        return " 0"; // negative zero too
    return (negative ? "-" : " ") + magnitude;
}

double ParseValue(std::string_view text)
{
    const std::string number = LeadingNumber(WithoutBlanks(text));
    if (number.empty() || number == "-")
        return 0;

    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (ExponentIsNegative(number))
            return 0; // too small for double precision
        throw RuntimeError(RuntimeError::Kind::Overflow, "the number is too large");
    }
    return value;
}

} // namespace rainfall
