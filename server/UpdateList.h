#pragma once

// The update folder that the service publishes under /update/, and the
// update list nrclient.ini made from it.
//
// Folder layout (DIR is the --update-dir option):
//   DIR/DATA/<program>      the client's program file; its checksum is <VERSION>
//   DIR/DATA/<other files>  module files, listed in <MODULE>
//   DIR/DATA/IMAGE/<files>  picture files, listed in <IMAGE>
//   DIR/MESSAGE.txt         optional; its text becomes <MESSAGE>
//   DIR/nrclient.ini        optional; when present it is served as it is
//                           instead of the generated list

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace demo {

// CRC-32 of a file's bytes (zlib's, as the client computes it); nullopt when
// the file cannot be read.
std::optional<std::uint32_t> FileCrc32(const std::string& path);

// The update list for DIR. Sections:
//   <VERSION>checksum</VERSION>  (empty when DATA/<program> is missing)
//   <MODULE> CR LF name,checksum CR LF ... </MODULE>
//   <IMAGE> CR LF name,checksum CR LF ... </IMAGE>
//   <MESSAGE>text</MESSAGE>       (blanks written as "^", line breaks as "/")
// Checksums are unsigned decimal numbers without leading zeros; names are
// sorted bytewise; names holding a comma, a quote, a control character or
// starting with "." are left out, as are subfolders and anything that is not
// a regular file. Lines end in CR LF.
std::string BuildUpdateList(const std::string& dir, const std::string& programName);

// A file name that may be served: one path component, no "." or "..",
// no separators, no control characters.
bool IsSafeFileName(std::string_view name);

// A file of the update folder, open for reading.
class UpdateFile {
public:
    UpdateFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~UpdateFile();
    UpdateFile(const UpdateFile&) = delete;
    UpdateFile& operator=(const UpdateFile&) = delete;
    int fd() const { return fd_; }
    std::uint64_t size() const { return size_; }

private:
    int fd_;
    std::uint64_t size_;
};

// Opens the file for a path below /update/ ("nrclient.ini", "DATA/x",
// "DATA/IMAGE/x"); nullptr when the path is not one of those shapes or the
// file is not a regular file inside DIR. Every component below DIR is opened
// without following a symbolic link and the file is checked on the open
// descriptor, so that a link swapped in after any check is never served.
// A picture path falls back to DATA/x, because the client's update check
// fetches module files through the picture folder's address.
std::unique_ptr<UpdateFile> OpenUpdateFile(const std::string& dir, std::string_view path);

}  // namespace demo
