#pragma once

// The CSV that the gauges and series files are written in, as people and
// spreadsheets write it: a header line, then one record per line; CRLF or LF
// line ends; an optional UTF-8 byte-order mark; fields separated by commas,
// by semicolons when the header uses them, or by tabs when the header has
// more tabs than commas and semicolons (with semicolons or tabs, numbers may
// have a decimal comma, as European spreadsheets export them); fields may be
// quoted with double quotes, a doubled quote standing for one. Spaces around
// a field, and tabs unless they separate, are not part of it. Empty lines (or
// lines of empty fields) are allowed at the end of the file only.
//
// The file is read in large blocks, and a record's fields are views into the
// block, so reading costs no allocation per field.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace thiessen::csv {

class Reader {
public:
    // Reads an open file from its current position, which stays open, in
    // blocks of the given size (a record longer than a block grows it).
    Reader(std::FILE* file, std::string name, size_t blockSize = size_t{1} << 20);
    // Reads a text already in memory.
    Reader(std::string_view text, std::string name);

    // Whole lines of a file, taken from one reader for another to read,
    // perhaps on another thread: the text and the number of its first line.
    struct Lines {
        std::unique_ptr<char[]> text;
        size_t size = 0;
        long firstLine = 0;
    };
    // Reads the lines, as the reader whose header they follow would.
    Reader(Lines lines, const Reader& header);
    // Moves the next whole records, about size bytes of them (more when one
    // record is longer), from the file into lines; blank lines at their end
    // stay for the next, where they are an error unless the file ends.
    // False at the end of the file.
    bool TakeLines(Lines& lines, size_t size);

    // Reads the header line, which decides the separator. Refuses an empty
    // file.
    const std::vector<std::string>& ReadHeader();
    const std::vector<std::string>& Header() const { return header_; }

    // Moves to the next record; false at the end of the file.
    bool NextRecord();
    // The record's next field, without its quotes and the spaces around it.
    // Refuses a record that has fewer fields than the header.
    std::string_view Field();
    // Refuses a record that has more fields than the header.
    void EndRecord();
    // Takes the next field when it is a plain number, digits as
    // std::from_chars reads them right up to the separator or the record's
    // end; otherwise takes nothing and returns false, and Field() reads it.
    // The quick way for the many numbers of a series.
    bool PlainNumber(double& value)
    {
        if (!fieldsLeft_ || field_ == recordEnd_ || *field_ < '0' || *field_ > '9')
            return false;
        const char* stop = ShortDecimal(field_, recordEnd_, value);
        if (stop == nullptr) {
            const auto [end, error] = std::from_chars(field_, recordEnd_, value);
            if (error != std::errc())
                return false;
            stop = end;
        }
        if (stop != recordEnd_ && *stop != separator_)
            return false;
        ++column_;
        fieldsLeft_ = stop != recordEnd_;
        field_ = const_cast<char*>(stop) + fieldsLeft_;
        return true;
    }

    // A number of at most 15 digits with or without a decimal point, as most
    // rainfall is written, read exactly as from_chars reads it but faster:
    // its digits make an integer below 2^53 and its decimals a power of ten
    // that doubles hold exactly, so one division rounds it right. Returns
    // where it ends, or nullptr for any other text.
    static const char* ShortDecimal(const char* p, const char* end, double& value)
    {
        static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        std::uint64_t digits = 0;
        int count = 0, decimals = 0;
        for (; p != end && *p >= '0' && *p <= '9'; ++p, ++count)
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
        if (p != end && *p == '.')
            for (++p; p != end && *p >= '0' && *p <= '9'; ++p, ++count, ++decimals)
                digits = digits * 10 + static_cast<unsigned>(*p - '0');
        if (count > 15 || (p != end && (*p == 'e' || *p == 'E')))
            return nullptr;
        value = static_cast<double>(digits) / kPowers[decimals];
        return p;
    }

    const std::string& Name() const { return name_; }
    // The line where the current record starts, counting from 1.
    long Line() const { return line_; }
    // The column of the field last returned, counting from 1.
    int Column() const { return column_; }
    bool DecimalComma() const { return separator_ != ','; }

    // Throws a DataError for the given column of the current record.
    [[noreturn]] void Fail(int column, const std::string& problem) const;
    // The same for the field last returned.
    [[noreturn]] void Fail(const std::string& problem) const { Fail(column_, problem); }

private:
    bool FindRecord();
    size_t CutAfterLastRecord(const char* text, size_t size) const;
    bool Refill();
    bool RecordIsBlank() const;
    void FindSeparator();
    bool IsPadding(char c) const { return c == ' ' || (c == '\t' && separator_ != '\t'); }
    bool NextRawField(std::string_view& field);
    std::string_view UnquoteInPlace(char* open);
    int CountRemainingFields();

    std::FILE* file_ = nullptr;
    std::string name_;
    std::unique_ptr<char[]> buffer_; // not cleared first: a block is large
    size_t size_ = 0;
    size_t begin_ = 0;          // where the unread part of the buffer starts
    size_t end_ = 0;            // where the data in the buffer ends
    bool atEof_ = true;         // nothing more to read into the buffer
    char* field_ = nullptr;     // the current record's next field
    char* recordEnd_ = nullptr; // the current record's end, before its line end
    bool fieldsLeft_ = false;
    char separator_ = ',';
    long line_ = 0;
    long nextLine_ = 1;
    int column_ = 0;
    long firstBlankLine_ = 0;    // the first of the blank lines just passed
    bool withoutQuotes_ = false; // lines known to hold no quote
    std::vector<std::string> header_;
};

enum class NumberStatus { Ok, NotANumber, OutOfRange };

// Reads a whole field as a number, with std::from_chars (so the same on
// every system and in every locale); with decimalComma a comma may stand for
// the decimal point. NaN and infinities are read as such.
NumberStatus ParseNumber(std::string_view text, bool decimalComma, double& value);

// A field's text for a message: shortened when long, with control characters
// shown as '?'; Quote puts it in quotes.
std::string Shown(std::string_view text);
std::string Quote(std::string_view text);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The names a column may go by, in tiers: a column named in an earlier tier
// is taken over one named in a later tier. Names are compared ignoring case.
using ColumnNames = std::vector<std::vector<std::string_view>>;

// Where a header has the column that names give: column counts from 1, 0
// when there is none; rival is a second column of the same tier, 0 when
// there is none.
struct NamedColumn {
    int column = 0;
    int rival = 0;
};
NamedColumn FindColumn(const std::vector<std::string>& header, const ColumnNames& names);

// The names for a message: "a, b or c".
std::string NameList(const ColumnNames& names);

} // namespace thiessen::csv
