#pragma once

// Code page 949 (Korean ANSI) <-> UTF-8. Inside the program every text is
// UTF-8; code page 949 only appears in old-style answers and in the byte
// limits of "text n" fields.

#include <cstddef>
#include <string>
#include <string_view>

namespace order {

// Converts code page 949 bytes to UTF-8. Bytes that are not valid code page
// 949 become U+FFFD. The result has `spare` bytes of capacity behind it.
std::string Cp949ToUtf8(std::string_view bytes, std::size_t spare = 0);

// Converts UTF-8 to code page 949. Characters without a code page 949 form
// become "?" (as the Windows conversion does).
std::string Utf8ToCp949(std::string_view utf8);

// Replaces every invalid UTF-8 sequence with U+FFFD; valid text is returned
// unchanged.
std::string SanitizeUtf8(std::string_view bytes);
// The same on a text of one's own: valid text (the usual answer) is only
// read, never copied.
void SanitizeUtf8InPlace(std::string& text);
// Position of the first byte that does not begin a valid UTF-8 character;
// npos when the whole text is valid.
std::size_t FirstInvalidUtf8(std::string_view bytes);

// True when FirstInvalidUtf8 would find nothing; a vector check where the
// processor has one.
bool IsValidUtf8(std::string_view bytes);

// Number of bytes the character would take in code page 949 (1 or 2; 1 for
// characters code page 949 cannot hold, which it writes as "?").
std::size_t Cp949Width(char32_t ch);

// The longest prefix of a UTF-8 text whose code page 949 form is at most
// maxBytes bytes, never splitting a character.
std::string CutToCp949Bytes(std::string_view utf8, std::size_t maxBytes);

// Decodes one UTF-8 character at pos; returns its length (1 for an invalid
// byte, reported as U+FFFD).
std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& ch);
void AppendUtf8(std::string& out, char32_t ch);

} // namespace order
