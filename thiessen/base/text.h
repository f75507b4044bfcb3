#pragma once

#include <string>
#include <string_view>

namespace thiessen {

// A number in the shortest text that reads back to the same double.
std::string NumberText(double value);

// The same without an exponent, as coordinates read best: 2000000, not 2e+06.
std::string FixedText(double value);

// The text in lower case, for names compared without regard to case (ASCII).
std::string Lower(std::string_view text);

// The extension of a file's path in lower case, with its dot: ".shp"; empty
// when it has none.
std::string LowerExtension(std::string_view path);

} // namespace thiessen
