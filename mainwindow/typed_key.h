#pragma once

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace rainfall {

// The character code of a key press that types a character, as the entry
// fields' key filters see it: a printable character without Ctrl or Alt, Enter
// (13) or Backspace (8). A character beyond the 8-bit character set arrives as
// a question mark (63). Every other key (Tab, the arrows, Home, End, Delete,
// Escape, Ctrl+C and the like) types nothing and has no code.
std::optional<std::int16_t> TypedKeyCode(const QKeyEvent& event);

} // namespace rainfall
