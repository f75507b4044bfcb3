#include "welcome/logic/tip_of_day.h"

#include "errors/runtime_error.h"
#include "platform/system/runtime_library.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace rainfall {

std::string TipFileNotFoundText()
{
    const std::string name = TipFileName;
    return "That the " + name + " file was not found? \r\n\r\nCreate a text file named " + name +
           " using NotePad with 1 tip per line. " +
           "Then place it in the same directory as the application. ";
}

std::string TipFileUnreadableText(const std::string& reason)
{
    std::string why = reason;
    if (!why.empty())
        why.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(why.front())));
    return "The tip file \"" + std::string(TipFileName) + "\" could not be read: " + why + ".";
}

TipOfDay::TipOfDay(RunTimeLibrary& runtime, TipTextSetter setTipText)
    : runtime_(runtime), setTipText_(std::move(setTipText))
{
}

std::int16_t TipOfDay::LoadTips(const std::string& sFile)
{
    if (sFile.empty() || !runtime_.OrdinaryFileExists(sFile))
        return FlagFalse;
    tipLines_.AppendLines(runtime_.ReadWholeFile(sFile));
    ShowRandomTip();
    return FlagTrue;
}

void TipOfDay::ShowRandomTip()
{
    const float r = runtime_.NextRandom();
    const std::int32_t n = tipLines_.Count();
    const double position = std::floor(static_cast<double>(n) * static_cast<double>(r) + 1.0);
    if (std::isnan(position))
        throw RuntimeError(RuntimeError::Kind::InvalidOperation, "the random draw is not a number");
    if (position < std::numeric_limits<std::int32_t>::min() ||
        position > std::numeric_limits<std::int32_t>::max())
        throw RuntimeError(RuntimeError::Kind::Overflow, "the tip position is out of range");
    tipIndex_ = static_cast<std::int32_t>(position);
    DisplayCurrentTip();
}

void TipOfDay::DisplayCurrentTip()
{
    if (tipLines_.Count() > 0)
        setTipText_(tipLines_.Item(tipIndex_));
}

} // namespace rainfall
