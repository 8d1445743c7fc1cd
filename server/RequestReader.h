#pragma once

// Reads the client's POST exactly as its transport sends it: one multipart
// file part named POST (the name and file name are not quoted), holding one
// gzip member of the UTF-8 text "VALUE=<POST_DATA>...</POST_DATA>".

#include <cstddef>
#include <string>
#include <string_view>

namespace demo {

inline constexpr std::size_t kMaxRequestBody = std::size_t(4) << 20;
inline constexpr std::size_t kMaxRequestText = std::size_t(8) << 20;
inline constexpr std::size_t kMaxPartHeaders = 2048;
inline constexpr std::size_t kMaxParts = 8;

// Boundary parameter of "multipart/form-data; boundary=...".
bool ParseMultipartBoundary(std::string_view contentType, std::string& boundary);

// The bytes of the single part named POST. False, with a reason, for a body
// that is not a complete multipart body of that boundary.
bool ExtractPostPart(std::string_view body, std::string_view boundary, std::string& part, std::string& error);

// Content type and raw body to the request's elements (the text between
// "VALUE=<POST_DATA>" and the final "</POST_DATA>").
bool ReadRequest(std::string_view contentType, std::string_view body, std::string& elements, std::string& error);

}  // namespace demo
