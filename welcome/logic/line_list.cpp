#include "welcome/logic/line_list.h"

#include "errors/runtime_error.h"

#include <cstring>
#include <limits>

namespace rainfall {

// An entry runs from its start to the next entry's start (or the end of the
// buffer), less its terminator. Only a carriage return ends a line, so the
// bytes before the next start are either CR LF, CR, or, for the last line of a
// text, no terminator at all.
std::string_view LineList::Item(std::int32_t position) const
{
    if (position < 1 || position > Count())
        throw RuntimeError(RuntimeError::Kind::InvalidArgument,
                           "no tip at position " + std::to_string(position));
    const std::string_view text = text_;
    const auto index = static_cast<std::size_t>(position - 1);
    const std::size_t begin = starts_[index];
    std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text.size();
    if (end - begin >= 2 && text[end - 2] == '\r' && text[end - 1] == '\n')
        end -= 2;
    else if (end > begin && text[end - 1] == '\r')
        end -= 1;
    return text.substr(begin, end - begin);
}

void LineList::AppendLines(std::string text)
{
    if (text.empty())
        return;
    const std::size_t base = text_.size();
    if (base == 0)
        text_ = std::move(text);
    else
        text_ += text; // a second text; the program reads only one

    // Every line but the last ends at a carriage return; memchr is the
    // fastest scan the library offers.
    const char* const data = text_.data();
    const std::size_t end = text_.size();
    std::size_t start = base;
    for (;;) {
        if (starts_.size() == std::numeric_limits<std::int32_t>::max())
            throw RuntimeError(RuntimeError::Kind::Overflow, "the tip file has too many lines");
        starts_.push_back(start);
        const void* cr = std::memchr(data + start, '\r', end - start);
        if (cr == nullptr)
            break;
        std::size_t next = static_cast<std::size_t>(static_cast<const char*>(cr) - data) + 1;
        if (next < end && data[next] == '\n')
            ++next;
        if (next == end)
            break;
        start = next;
    }
}

} // namespace rainfall
