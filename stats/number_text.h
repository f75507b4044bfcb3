#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rainfall {

// The text in which the main window shows a number. The first character is
// reserved for the sign: a space for zero and positive values, a minus for
// negative ones. The decimal separator is always a full stop.
std::string StrText(std::int16_t value);

// A single-precision value shows at most 7 significant digits with trailing
// zeros dropped and no zero before the point (" .25", "-.5"); from 1E+07 up and
// below 1E-04 it switches to exponent form (" 1.234568E+08", " 1E-05").
std::string StrText(float value);

// The blanks of an entry text: space, tab and line feed. They never end a
// number, and a text of blanks alone holds no value.
bool IsBlank(char c);

// Reads the number at the start of an entry text. Blanks (space, tab, line
// feed) are skipped wherever they stand; a leading minus makes it negative;
// digits with one full stop, then an optional exponent (E or e, an optional
// sign, digits). Reading stops at the first character that cannot continue the
// number, and text with no leading number reads 0. A number too large for
// double precision is an Overflow RuntimeError; one too small for it reads 0.
double ParseValue(std::string_view text);

} // namespace rainfall
