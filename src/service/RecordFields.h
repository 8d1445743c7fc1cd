#pragma once

// Where the fields of every record of a list answer lie, found in one
// forward pass over the answer. Grids keep these positions instead of
// copies of the values.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace order {

// A value inside the answer; length 0 is an empty value.
struct FieldSpan {
    std::uint32_t offset;
    std::uint32_t length;
};

// Positions are 32-bit; a larger answer cannot be indexed.
inline constexpr std::size_t kMaxIndexedAnswer = 0x7fffffffu;

// For r = 0 .. rows - 1: takes the record RDC_r out of the answer the way a
// TakeTag walk does (each search starting behind the previous record's
// closing tag), and for every column c < cols with a non-empty name
// fields[c] stores where the value of the record's first element of that
// name lies (the ExtractTag rule) in cells[r * cols + c]. Cells of missing
// records, empty names and empty values are left as they are.
// answer.size() must not exceed kMaxIndexedAnswer.
void IndexRecordFields(
    std::string_view answer, const std::vector<std::string>& fields, int cols, int rows, FieldSpan* cells);

} // namespace order
