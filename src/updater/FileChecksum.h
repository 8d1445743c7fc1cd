#pragma once

// A file's identity in the update list: the CRC-32 of its bytes (the
// standard one, reflected polynomial 0xEDB88320, as zlib's), written as an
// unsigned decimal number.

#include <QFile>
#include <QString>

#include <cstdint>

namespace order {

// Block size of the reads; an odd size so that files around 64 KiB cross a
// block boundary.
inline constexpr std::size_t kChecksumBlock = 65521;

// CRC-32 of every byte of the file; 0 when it cannot be opened (so a missing
// file, an unreadable file and an empty file all give 0).
std::uint32_t FileChecksum(const QString& path);

// The checksum as the update list writes it: decimal, no leading zeros.
QString ChecksumText(std::uint32_t checksum);

} // namespace order
