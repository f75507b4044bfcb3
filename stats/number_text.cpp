#include "stats/number_text.h"

#include "errors/runtime_error.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace rainfall {

namespace {

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

// The decimal order of magnitude of a number as LeadingNumber writes it: k
// when it lies in [10^(k-1), 10^k). Huge exponents saturate; the order only
// has to tell numbers beyond the double range from numbers below it.
long long OrderOfMagnitude(const std::string& number)
{
    constexpr long long Saturated = 1'000'000'000'000'000LL;
    const std::size_t signLength = number[0] == '-' ? 1 : 0;
    const std::size_t e = std::min(number.find('e'), number.size());
    const std::string_view mantissa = std::string_view(number).substr(signLength, e - signLength);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_not_of("0.");
    if (first == std::string_view::npos)
        return -Saturated; // zero
    long long order = first < point ? static_cast<long long>(point - first)
                                    : -static_cast<long long>(first - point - 1);
    if (e < number.size()) {
        const bool negative = number[e + 1] == '-';
        long long exponent = 0;
        for (std::size_t i = e + 1; i < number.size(); ++i)
            if (IsDigit(number[i]))
                exponent = std::min(Saturated, exponent * 10 + (number[i] - '0'));
        order += negative ? -exponent : exponent;
    }
    return order;
}

} // namespace

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

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
        // Beyond the double range either way: too large is an error, too small
        // reads as zero, as the hardware rounds it.
        if (OrderOfMagnitude(number) > 0)
            throw RuntimeError(RuntimeError::Kind::Overflow, "the number is too large");
        return 0;
    }
    return value;
}

} // namespace rainfall
