#pragma once

// The flat tagged text that every request and answer of the supplier's
// service is made of: elements "<NAME>value</NAME>" with no escaping,
// separators or root element.

#include <cstddef>
#include <string>
#include <string_view>

namespace order {

std::string BuildTag(std::string_view name, std::string_view value);
std::string WrapPostData(std::string_view elements);

// Value of the first NAME element: the text between the first opening tag and
// the first closing tag, both searched from the start. Empty when missing.
std::string_view ExtractTagView(std::string_view name, std::string_view text);
std::string ExtractTag(std::string_view name, std::string_view text);

// Same lookup, then drops the text up to and including the "<" of the closing
// tag, so that the next record's search starts there. The string_view form
// only moves the view (constant time), which keeps a record walk linear.
std::string TakeTag(std::string_view name, std::string& text);
std::string_view TakeTag(std::string_view name, std::string_view& text);

// The same lookup with two freely given markers. Positions are full width.
std::string ExtractBetween(std::string_view text, std::string_view opening, std::string_view closing);
// The same as a view into `text` (grid models keep offsets instead of copies).
std::string_view ExtractBetweenView(std::string_view text, std::string_view opening, std::string_view closing);

// "RESULT_CODE" is "1".
bool IsSuccess(std::string_view answer);
// RESULT_RECORD_COUNT as an integer, 0 when missing or not a number.
long long RecordCount(std::string_view answer);
// The record count as a number of grid rows: 0 when not positive, and never
// more than the answer's length could hold (a broken count must not size a
// grid).
long long RowsForRecords(std::string_view answer);
// Integer value of a text the way the record count is read: optional blanks,
// optional sign, digits, optional blanks; anything else gives the default.
long long ToIntDef(std::string_view text, long long def);

std::string RecordName(long long index);  // "RDC_<index>"

// Walks RDC_0, RDC_1, ... of an answer in one pass.
class RecordWalker {
public:
    explicit RecordWalker(std::string_view answer) : rest_(answer) {}
    // Value of the next record (looked up by its number); empty when absent.
    std::string_view Next();
    long long Index() const { return index_; }

private:
    std::string_view rest_;
    long long index_ = 0;
};

}  // namespace order
