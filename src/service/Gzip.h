#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace order {

// One gzip member: the ten fixed header bytes 1F 8B 08 00 00 00 00 00 00 00,
// a raw deflate stream (default level, window bits 15, memory level 9,
// default strategy), CRC-32 and length little-endian.
std::string GzipCompress(std::string_view data);

// Answers compress about 8:1 and the biggest real one is a few megabytes;
// anything inflating past this is treated as broken.
inline constexpr std::size_t kDefaultInflateLimit = std::size_t(256) << 20;

// Decodes one gzip member (RFC 1952). False on any violation: bad magic or
// method, reserved flags, truncated header or trailer, a header CRC that
// does not match, nothing after the header, broken deflate data, CRC or
// length mismatch, or an inflated size above limit; `out` is then empty.
// Every member zlib reads gives zlib's bytes; a few deflate streams that
// zlib refuses are read as well, only when the trailer's CRC-32 and size
// match the bytes made. Bytes behind the member are not looked at. `spare`
// bytes of capacity are left behind the inflated text, so that a caller
// appending a short tail does not copy the whole text again.
bool GunzipMember(
    std::string_view data, std::string& out, std::size_t limit = kDefaultInflateLimit, std::size_t spare = 0);

// As GunzipMember, and false as well when any byte follows the member's
// trailer: a request carries exactly one member, and bytes smuggled behind it
// would otherwise pass unseen. (The member's size is read from the trailer,
// so one that inflates to 4 GiB or more is refused whatever the limit.)
bool GunzipSoleMember(std::string_view data, std::string& out, std::size_t limit = kDefaultInflateLimit);

// The standard CRC-32 (reflected polynomial 0xEDB88320, as zlib's crc32).
unsigned long Crc32(std::string_view data);
// Continues a CRC-32 over more bytes; start with 0.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size);

} // namespace order
