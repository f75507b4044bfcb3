#pragma once

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace rainfall {

// Character codes of the keys that type no printable character.
constexpr std::int16_t KeyBackspace = 8;
constexpr std::int16_t KeyEnter = 13;

// The character code of a key press that types a character, as the entry
// fields' key filters see it: every printable character the field would insert
// (with Alt or AltGr too), Enter and Backspace. The keypad's decimal key types
// a full stop whatever the keyboard layout, a comma on many. A character
// beyond the 8-bit character set arrives as a question mark (63). The other
// keys type nothing and have no code: Tab, the arrows, Home, End, Delete,
// Escape, and Ctrl with a key, which edits (Ctrl+C, Ctrl+V, Ctrl+Backspace ...).
std::optional<std::int16_t> TypedKeyCode(const QKeyEvent& event);

} // namespace rainfall
