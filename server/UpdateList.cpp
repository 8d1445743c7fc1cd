#include "UpdateList.h"

#include <zlib.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

namespace demo {

namespace {

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// A folder below `parent`, never reached through a symbolic link.
Fd OpenFolder(int parent, const char* name)
{
    return Fd(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// A regular file directly in `folder`, opened without following a symbolic
// link and checked on the descriptor itself. O_NONBLOCK keeps a fifo put in
// its place from blocking the open.
std::unique_ptr<UpdateFile> OpenRegular(int folder, const std::string& name)
{
    if (folder < 0)
        return nullptr;
    Fd fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    return std::make_unique<UpdateFile>(fd.release(), size);
}

std::optional<std::uint32_t> Crc32Of(int fd)
{
    uLong crc = ::crc32(0L, Z_NULL, 0);
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            return static_cast<std::uint32_t>(crc);
        if (n < 0 && errno != EINTR)
            return std::nullopt;
        if (n > 0)
            crc = ::crc32(crc, reinterpret_cast<const Bytef*>(buf), static_cast<uInt>(n));
    }
}

// name,checksum lines for the regular files of a folder, sorted by name.
std::string Section(int folder, const std::string& skip)
{
    std::vector<std::string> names;
    if (folder < 0)
        return {};
    // The listing gets a descriptor of its own, which closedir closes.
    Fd copy(::dup(folder));
    std::unique_ptr<DIR, int (*)(DIR*)> d(copy.get() >= 0 ? ::fdopendir(copy.get()) : nullptr, &::closedir);
    if (!d)
        return {};
    copy.release();
    while (const dirent* e = ::readdir(d.get())) {
        const std::string name = e->d_name;
        if (name != skip && IsSafeFileName(name) && name.find_first_of(",\"'") == std::string::npos)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const auto& name : names) {
        const auto file = OpenRegular(folder, name);
        const auto crc = file ? Crc32Of(file->fd()) : std::nullopt;
        if (crc)
            text += name + "," + std::to_string(*crc) + "\r\n";
    }
    return text;
}

std::string MessageText(int root)
{
    const auto file = OpenRegular(root, "MESSAGE.txt");
    if (!file)
        return {};
    // The list carries at most 2000 characters of it.
    std::string raw(16 * 1024, '\0');
    const ssize_t got = ::pread(file->fd(), raw.data(), raw.size(), 0);
    raw.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r' || raw.back() == ' '))
        raw.pop_back();
    std::string out;
    for (std::size_t i = 0; i < raw.size() && out.size() < 2000; ++i) {
        const char c = raw[i];
        if (c == '\r') {
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            out += '/';
        } else if (c == '\n') {
            out += '/';
        } else if (c == ' ' || c == '\t') {
            out += '^';
        } else if (c != '<' && c != '>' && static_cast<unsigned char>(c) >= 0x20) {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::optional<std::uint32_t> FileCrc32(const std::string& path)
{
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    return Crc32Of(fd.get());
}

bool IsSafeFileName(std::string_view name)
{
    if (name.empty() || name.size() > 255 || name.front() == '.')
        return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':')
            return false;
    }
    return true;
}

std::string BuildUpdateList(const std::string& dir, const std::string& programName)
{
    const Fd root(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const Fd data = OpenFolder(root.get(), "DATA");
    const Fd image = OpenFolder(data.get(), "IMAGE");
    std::string version;
    if (IsSafeFileName(programName)) {
        if (const auto program = OpenRegular(data.get(), programName)) {
            if (const auto crc = Crc32Of(program->fd()))
                version = std::to_string(*crc);
        }
    }
    std::string list = "<VERSION>" + version + "</VERSION>\r\n";
    list += "<MODULE>\r\n" + Section(data.get(), programName) + "</MODULE>\r\n";
    list += "<IMAGE>\r\n" + Section(image.get(), "") + "</IMAGE>\r\n";
    list += "<MESSAGE>" + MessageText(root.get()) + "</MESSAGE>\r\n";
    return list;
}

UpdateFile::~UpdateFile()
{
    ::close(fd_);
}

std::unique_ptr<UpdateFile> OpenUpdateFile(const std::string& dir, std::string_view path)
{
    if (dir.empty())
        return nullptr;
    const Fd root(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.get() < 0)
        return nullptr;
    if (path == "nrclient.ini")
        return OpenRegular(root.get(), "nrclient.ini");
    constexpr std::string_view kImage = "DATA/IMAGE/";
    constexpr std::string_view kData = "DATA/";
    const bool picture = path.substr(0, kImage.size()) == kImage;
    if (!picture && path.substr(0, kData.size()) != kData)
        return nullptr;
    const std::string name(path.substr(picture ? kImage.size() : kData.size()));
    if (!IsSafeFileName(name))
        return nullptr;
    const Fd data = OpenFolder(root.get(), "DATA");
    if (picture) {
        const Fd image = OpenFolder(data.get(), "IMAGE");
        if (auto file = OpenRegular(image.get(), name))
            return file;
    }
    return OpenRegular(data.get(), name);
}

}  // namespace demo
