#pragma once

// The answer path as it was before it was rewritten for speed: zlib inflate
// in 64 KiB pieces, a UTF-8 clean-up that copies every byte, iconv called
// once per code page 949 character, and the record walk that searched each
// record's closing tag before scanning its fields. The client does not link
// this; the tests and the fuzz targets hold the new code against it on the
// same inputs, and the benchmarks measure the new code against it in the
// same run.

#include "RecordFields.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace order::baseline {

bool GunzipMember(std::string_view data, std::string& out, std::size_t limit);
unsigned long Crc32(std::string_view data); // zlib's crc32
std::string SanitizeUtf8(std::string_view bytes);
std::string Cp949ToUtf8(std::string_view bytes);

// The gzip branch of the transport's answer assembly: inflate, convert into
// a second string, append the NUL, then copy once more with the tail.
// False (and nothing in `answer`) when the member is broken.
bool AssembleGzipAnswer(
    std::string_view body, bool utf8, std::size_t limit, const std::string& tail, std::string& answer);

// The same contract as order::IndexRecordFields.
void IndexRecordFields(
    std::string_view answer, const std::vector<std::string>& fields, int cols, int rows, FieldSpan* cells);

} // namespace order::baseline
