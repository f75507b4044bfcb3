#pragma once

#include "welcome/logic/flag.h"
#include "welcome/logic/line_list.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rainfall {

class RunTimeLibrary;

// The tip file, looked for in the program's own directory.
constexpr const char* TipFileName = "TIPOFDAY.TXT";

// What the welcome window shows when there is no tip file: how to make one.
std::string TipFileNotFoundText();

// What it shows when the tip file is there but cannot be read, with the
// system's reason, e.g. "Permission denied".
std::string TipFileUnreadableText(const std::string& reason);

// The tip machinery of the welcome window: the tip file's lines, the one tip
// chosen from them at random, and putting it into the tip label. The label is
// reached through `setTipText`, so none of this needs the window toolkit.
class TipOfDay {
public:
    using TipTextSetter = std::function<void(std::string_view)>;

    TipOfDay(RunTimeLibrary& runtime, TipTextSetter setTipText);

    // Reads every line of the file `sFile` into TipLines and shows one of them
    // at random. Returns FlagTrue when the file was found and read; FlagFalse,
    // changing nothing, when `sFile` is empty or names no ordinary file. A file
    // that is there but cannot be read is a FileError RuntimeError. Lines are
    // appended, so a second call would add a second copy.
    std::int16_t LoadTips(const std::string& sFile);

    // Puts the tip at TipIndex into the tip label; with no tips at all the
    // label keeps what it shows.
    void DisplayCurrentTip();

    const LineList& TipLines() const noexcept { return tipLines_; }
    // The 1-based position of the tip shown; 0 until a tip is chosen.
    std::int32_t TipIndex() const noexcept { return tipIndex_; }

private:
    // Chooses TipIndex = floor(n * r + 1) for a random draw 0 <= r < 1 and
    // n tips (1 when there are none), then shows it.
    void ShowRandomTip();

    RunTimeLibrary& runtime_;
    TipTextSetter setTipText_;
    LineList tipLines_;
    std::int32_t tipIndex_ = 0;
};

} // namespace rainfall
