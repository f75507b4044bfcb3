#include "thiessen/io/csv.h"

#include "thiessen/base/data_error.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace thiessen::csv {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

Reader::Reader(std::FILE* file, std::string name, size_t blockSize)
    : file_(file), name_(std::move(name)),
      buffer_(std::make_unique_for_overwrite<char[]>(std::max<size_t>(blockSize, 1))),
      size_(std::max<size_t>(blockSize, 1)), atEof_(false)
{
}

Reader::Reader(std::string_view text, std::string name)
    : name_(std::move(name)), buffer_(std::make_unique_for_overwrite<char[]>(text.size())),
      size_(text.size()), end_(text.size())
{
    std::copy(text.begin(), text.end(), buffer_.get());
}

Reader::Reader(Lines lines, const Reader& header)
    : name_(header.name_), buffer_(std::move(lines.text)), size_(lines.size), end_(lines.size),
      separator_(header.separator_), nextLine_(lines.firstLine), header_(header.header_)
{
    withoutQuotes_ = std::memchr(buffer_.get(), '"', size_) == nullptr;
}

// Where the last whole record of the text ends, past its line end, leaving
// out blank lines at the end; 0 when there is none.
size_t Reader::CutAfterLastRecord(const char* text, size_t size) const
{
    size_t cut = 0;
    if (std::memchr(text, '"', size) == nullptr) {
        for (size_t i = size; i > 0 && cut == 0; --i)
            if (text[i - 1] == '\n')
                cut = i;
    } else {
        bool inQuotes = false;
        for (size_t i = 0; i < size; ++i) {
            inQuotes = inQuotes != (text[i] == '"');
            if (text[i] == '\n' && !inQuotes)
                cut = i + 1;
        }
    }
    // Blank lines go with what follows them: only at the file's end are
    // they allowed.
    while (cut > 0) {
        size_t start = cut - 1;
        while (start > 0 && text[start - 1] != '\n')
            --start;
        const bool blank = std::all_of(text + start, text + cut, [&](char c) {
            return c == separator_ || IsSpace(c) || c == '\r' || c == '\n';
        });
        if (!blank)
            break;
        cut = start;
    }
    return cut;
}

bool Reader::TakeLines(Lines& lines, size_t size)
{
    // What the buffer holds unread comes first; the rest straight from the file.
    size_t capacity = std::max(size, 2 * (end_ - begin_));
    auto text = std::make_unique_for_overwrite<char[]>(capacity);
    size_t filled = end_ - begin_;
    std::copy(buffer_.get() + begin_, buffer_.get() + end_, text.get());
    size_t cut = 0;
    for (;;) {
        while (!atEof_ && filled < capacity) {
            const size_t read = std::fread(text.get() + filled, 1, capacity - filled, file_);
            if (read == 0 && std::ferror(file_))
                throw DataError(name_,
                                std::string("the file could not be read: ") + std::strerror(errno));
            atEof_ = read == 0;
            filled += read;
        }
        cut = atEof_ ? filled : CutAfterLastRecord(text.get(), filled);
        if (cut > 0 || atEof_)
            break;
        auto larger = std::make_unique_for_overwrite<char[]>(2 * capacity);
        std::copy(text.get(), text.get() + filled, larger.get());
        text = std::move(larger);
        capacity *= 2;
    }
    // The part after the cut waits in the buffer for the next lines.
    if (filled - cut > size_) {
        buffer_ = std::make_unique_for_overwrite<char[]>(filled - cut);
        size_ = filled - cut;
    }
    std::copy(text.get() + cut, text.get() + filled, buffer_.get());
    begin_ = 0;
    end_ = filled - cut;
    if (cut == 0)
        return false;
    lines.text = std::move(text);
    lines.size = cut;
    lines.firstLine = nextLine_;
    for (const char *p = lines.text.get(), *end = p + cut;
         (p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr; ++p)
        ++nextLine_;
    return true;
}

// Keeps the unread part and appends what the file has next, growing the
// buffer when the unread part fills it. False when nothing was added.
bool Reader::Refill()
{
    if (atEof_)
        return false;
    if (end_ - begin_ == size_) {
        auto larger = std::make_unique_for_overwrite<char[]>(2 * size_);
        std::copy(buffer_.get() + begin_, buffer_.get() + end_, larger.get());
        buffer_ = std::move(larger);
        size_ *= 2;
    } else {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    }
    end_ -= begin_;
    begin_ = 0;
    const size_t read = std::fread(buffer_.get() + end_, 1, size_ - end_, file_);
    end_ += read;
    if (read == 0) {
        if (std::ferror(file_))
            throw DataError(name_,
                            std::string("the file could not be read: ") + std::strerror(errno));
        atEof_ = true;
    }
    return read > 0;
}

// Finds the record that starts at begin_: it ends at the first line end that
// is not inside quotes. False at the end of the file.
bool Reader::FindRecord()
{
    size_t scanned = 0; // bytes of the record already looked at
    bool inQuotes = false;
    long newlines = 0;
    const char* lineEnd = nullptr;
    for (;;) {
        const char* p = buffer_.get() + begin_ + scanned;
        const char* end = buffer_.get() + end_;
        while (p < end && lineEnd == nullptr) {
            if (inQuotes) {
                const char* quote = static_cast<const char*>(std::memchr(p, '"', end - p));
                const char* stop = quote != nullptr ? quote : end;
                for (const char* c = p; c < stop; ++c)
                    newlines += *c == '\n';
                p = stop + (quote != nullptr);
                inQuotes = quote == nullptr;
            } else {
                const char* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
                const char* stop = newline != nullptr ? newline : end;
                const char* quote = withoutQuotes_
                                        ? nullptr
                                        : static_cast<const char*>(std::memchr(p, '"', stop - p));
                if (quote != nullptr) {
                    p = quote + 1;
                    inQuotes = true;
                } else {
                    p = stop;
                    lineEnd = newline;
                }
            }
        }
        if (lineEnd != nullptr)
            break;
        scanned = static_cast<size_t>(p - (buffer_.get() + begin_));
        if (!Refill())
            break;
    }
    if (begin_ == end_)
        return false;
    field_ = buffer_.get() + begin_;
    recordEnd_ = lineEnd != nullptr ? const_cast<char*>(lineEnd) : buffer_.get() + end_;
    begin_ = static_cast<size_t>(recordEnd_ - buffer_.get()) + (lineEnd != nullptr);
    if (recordEnd_ > field_ && recordEnd_[-1] == '\r')
        --recordEnd_;
    line_ = nextLine_;
    nextLine_ += newlines + 1;
    column_ = 0;
    fieldsLeft_ = true;
    return true;
}

bool Reader::RecordIsBlank() const
{
    for (const char* c = field_; c < recordEnd_; ++c)
        if (*c != separator_ && !IsSpace(*c) && *c != '\r')
            return false;
    return true;
}

// Decides the separator from the header's characters outside quotes: tabs
// when they outnumber commas and semicolons (a comma or semicolon file may be
// padded with tabs, a tab file have a comma in a name), else semicolons when
// there are any, else commas.
void Reader::FindSeparator()
{
    long commas = 0, semicolons = 0, tabs = 0;
    bool inQuotes = false;
    for (const char* c = field_; c < recordEnd_; ++c) {
        inQuotes = inQuotes != (*c == '"');
        if (!inQuotes) {
            commas += *c == ',';
            semicolons += *c == ';';
            tabs += *c == '\t';
        }
    }
    separator_ = tabs > commas + semicolons ? '\t' : semicolons > 0 ? ';' : ',';
}

const std::vector<std::string>& Reader::ReadHeader()
{
    while (end_ - begin_ < 3 && Refill()) {
    }
    const std::string_view start(buffer_.get() + begin_, std::min<size_t>(end_ - begin_, 3));
    if (start == "\xEF\xBB\xBF")
        begin_ += 3;
    else if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
        throw DataError(name_, "the file is UTF-16 text; expected CSV in UTF-8 (\"CSV UTF-8\" in a "
                               "spreadsheet's \"Save as\")");
    if (!FindRecord())
        throw DataError(name_, "the file is empty; expected a header line naming the columns");
    if (std::memchr(field_, '\r', recordEnd_ - field_) != nullptr)
        throw DataError(name_, 1, 0, {},
                        "lines end with a carriage return alone; expected line feeds (CSV as "
                        "written on Windows, Linux or a current macOS)");
    FindSeparator();
    if (RecordIsBlank())
        throw DataError(name_, 1, 0, {}, "the first line is empty; expected the header");
    std::string_view field;
    while (fieldsLeft_) {
        ++column_;
        NextRawField(field);
        header_.emplace_back(field);
    }
    return header_;
}

bool Reader::NextRecord()
{
    while (FindRecord()) {
        if (RecordIsBlank()) {
            if (firstBlankLine_ == 0)
                firstBlankLine_ = line_;
            continue;
        }
        if (firstBlankLine_ != 0)
            throw DataError(name_, firstBlankLine_, 0, {},
                            "an empty line before the end of the file");
        return true;
    }
    return false;
}

std::string_view Reader::Field()
{
    if (!fieldsLeft_)
        Fail(column_ + 1, "the line has " + std::to_string(column_) + " fields, the header " +
                              std::to_string(header_.size()));
    ++column_;
    std::string_view field;
    NextRawField(field);
    return field;
}

void Reader::EndRecord()
{
    if (!fieldsLeft_)
        return;
    const int extra = column_ + 1;
    const int count = CountRemainingFields();
    Fail(extra, "the line has " + std::to_string(count) + " fields, the header " +
                    std::to_string(header_.size()));
}

int Reader::CountRemainingFields()
{
    std::string_view field;
    while (fieldsLeft_) {
        ++column_;
        NextRawField(field);
    }
    return column_;
}

// Takes the next field of the record and moves past its separator.
bool Reader::NextRawField(std::string_view& field)
{
    char* p = field_;
    while (p < recordEnd_ && IsPadding(*p))
        ++p;
    if (p < recordEnd_ && *p == '"') {
        field = UnquoteInPlace(p);
        while (field_ < recordEnd_ && IsPadding(*field_))
            ++field_;
        if (field_ == recordEnd_)
            fieldsLeft_ = false;
        else if (*field_ == separator_)
            ++field_;
        else
            Fail("text after the closing quote of a quoted field");
        return true;
    }
    char* end = p;
    while (end < recordEnd_ && *end != separator_ && *end != '"')
        ++end;
    if (end < recordEnd_ && *end == '"')
        Fail("a quote inside a field; a field with quotes must be quoted as a whole, its "
             "quotes doubled");
    field = Trim(std::string_view(p, static_cast<size_t>(end - p)));
    fieldsLeft_ = end < recordEnd_;
    field_ = end + fieldsLeft_;
    return true;
}

// The text of the quoted field that starts at open, with its doubled quotes
// made single where it stands; field_ moves past the closing quote.
std::string_view Reader::UnquoteInPlace(char* open)
{
    char* const start = open + 1;
    char* out = start;
    char* p = start;
    for (;;) {
        char* quote = static_cast<char*>(std::memchr(p, '"', recordEnd_ - p));
        if (quote == nullptr)
            Fail("a quoted field without its closing quote");
        std::memmove(out, p, static_cast<size_t>(quote - p));
        out += quote - p;
        if (quote + 1 < recordEnd_ && quote[1] == '"') {
            *out++ = '"';
            p = quote + 2;
        } else {
            field_ = quote + 1;
            return std::string_view(start, static_cast<size_t>(out - start));
        }
    }
}

void Reader::Fail(int column, const std::string& problem) const
{
    const bool named = column >= 1 && static_cast<size_t>(column) <= header_.size();
    throw DataError(name_, line_, column, named ? Shown(header_[column - 1]) : std::string(),
                    problem);
}

NumberStatus ParseNumber(std::string_view text, bool decimalComma, double& value)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-' || text.front() == '+')
            return NumberStatus::NotANumber;
    }
    char copy[64];
    std::string longCopy;
    if (decimalComma && text.find(',') != std::string_view::npos) {
        char* to = copy;
        if (text.size() > sizeof copy) {
            longCopy.resize(text.size());
            to = longCopy.data();
        }
        for (size_t i = 0; i < text.size(); ++i)
            to[i] = text[i] == ',' ? '.' : text[i];
        text = std::string_view(to, text.size());
    }
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc::invalid_argument || stop != end)
        return NumberStatus::NotANumber;
    if (error == std::errc::result_out_of_range)
        return NumberStatus::OutOfRange;
    return NumberStatus::Ok;
}

std::string Shown(std::string_view text)
{
    constexpr size_t kLongest = 40;
    bool shortened = false;
    if (text.size() > kLongest) {
        size_t cut = kLongest;
        // Not in the middle of a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text = text.substr(0, cut);
        shortened = true;
    }
    std::string shown;
    for (char c : text)
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return shown + (shortened ? "..." : "");
}

std::string Quote(std::string_view text)
{
    return '"' + Shown(text) + '"';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

NamedColumn FindColumn(const std::vector<std::string>& header, const ColumnNames& names)
{
    for (const std::vector<std::string_view>& tier : names) {
        NamedColumn found;
        for (size_t i = 0; i < header.size() && found.rival == 0; ++i) {
            const auto named = [&](std::string_view name) {
                return EqualsIgnoringCase(header[i], name);
            };
            if (std::any_of(tier.begin(), tier.end(), named))
                (found.column == 0 ? found.column : found.rival) = static_cast<int>(i) + 1;
        }
        if (found.column != 0)
            return found;
    }
    return {};
}

std::string NameList(const ColumnNames& names)
{
    std::vector<std::string_view> all;
    for (const std::vector<std::string_view>& tier : names)
        all.insert(all.end(), tier.begin(), tier.end());
    std::string list;
    for (size_t i = 0; i < all.size(); ++i)
        list += std::string(i == 0                ? ""
                            : i + 1 == all.size() ? " or "
                                                  : ", ") +
                std::string(all[i]);
    return list;
}

} // namespace thiessen::csv
