#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rainfall {

// An ordered collection of texts, read by 1-based position, that a whole text
// file is appended to at once. The file's bytes are kept as they were read, in
// one piece, and each line is only an offset into them, so a file of any size
// costs its own size plus one offset a line, and no allocation per line.
class LineList {
public:
    // The number of entries.
    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(starts_.size()); }

    // The entry at `position`, 1 for the first; valid until the next append.
    // A position outside 1..Count() is an InvalidArgument RuntimeError.
    std::string_view Item(std::int32_t position) const;

    // Appends every line of `text` as one entry, in order. A line ends at a
    // carriage return or at a carriage return followed by a line feed; the
    // terminator is not part of the entry. A line feed alone does not end a
    // line. The last line needs no terminator, and a terminator at the very
    // end adds no empty entry. More than 2^31 - 1 entries is an Overflow
    // RuntimeError and appends nothing.
    void AppendLines(std::string text);

private:
    std::string text_;                // every appended text, back to back
    std::vector<std::size_t> starts_; // where each entry begins in text_
};

} // namespace rainfall
