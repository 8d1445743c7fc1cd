#include "UpdateList.h"

#include <zlib.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

namespace demo {

namespace {

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    // lstat: a symbolic link could lead out of the update folder.
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> ListedFiles(const std::string& folder, const std::string& skip)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(folder.c_str()), &::closedir);
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d.get())) {
        const std::string name = e->d_name;
        if (name == skip || !IsSafeFileName(name) || name.find_first_of(",\"'") != std::string::npos)
            continue;
        if (IsRegularFile(folder + "/" + name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Section(const std::string& folder, const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names) {
        const auto crc = FileCrc32(folder + "/" + name);
        if (!crc)
            continue;
        text += name + "," + std::to_string(*crc) + "\r\n";
    }
    return text;
}

std::string MessageText(const std::string& dir)
{
    std::ifstream in(dir + "/MESSAGE.txt", std::ios::binary);
    if (!in)
        return {};
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    uLong crc = ::crc32(0L, Z_NULL, 0);
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        crc = ::crc32(crc, reinterpret_cast<const Bytef*>(buf), static_cast<uInt>(n));
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad)
        return std::nullopt;
    return static_cast<std::uint32_t>(crc);
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
    const std::string data = dir + "/DATA";
    const std::string image = data + "/IMAGE";
    std::string version;
    if (IsSafeFileName(programName) && IsRegularFile(data + "/" + programName)) {
        if (const auto crc = FileCrc32(data + "/" + programName))
            version = std::to_string(*crc);
    }
    std::string list = "<VERSION>" + version + "</VERSION>\r\n";
    list += "<MODULE>\r\n" + Section(data, ListedFiles(data, programName)) + "</MODULE>\r\n";
    list += "<IMAGE>\r\n" + Section(image, ListedFiles(image, "")) + "</IMAGE>\r\n";
    list += "<MESSAGE>" + MessageText(dir) + "</MESSAGE>\r\n";
    return list;
}

bool ResolveUpdatePath(const std::string& dir, std::string_view path, std::string& file)
{
    if (dir.empty())
        return false;
    if (path == "nrclient.ini") {
        file = dir + "/nrclient.ini";
        return IsRegularFile(file);
    }
    constexpr std::string_view kImage = "DATA/IMAGE/";
    constexpr std::string_view kData = "DATA/";
    if (path.substr(0, kImage.size()) == kImage) {
        const std::string_view name = path.substr(kImage.size());
        if (!IsSafeFileName(name))
            return false;
        file = dir + "/DATA/IMAGE/" + std::string(name);
        if (IsRegularFile(file))
            return true;
        file = dir + "/DATA/" + std::string(name);
        return IsRegularFile(file);
    }
    if (path.substr(0, kData.size()) == kData) {
        const std::string_view name = path.substr(kData.size());
        if (!IsSafeFileName(name))
            return false;
        file = dir + "/DATA/" + std::string(name);
        return IsRegularFile(file);
    }
    return false;
}

}  // namespace demo
