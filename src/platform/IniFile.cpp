#include "IniFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace order {

namespace {

std::string Trim(const std::string& s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b)
{
    // Profile files compare section and key names without regard to case.
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsSection(const std::string& line, std::string& name)
{
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return false;
    name = Trim(t.substr(1, t.size() - 2));
    return true;
}

bool IsKey(const std::string& line, std::string& key, std::string& value)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#')
        return false;
    key = Trim(line.substr(0, eq));
    value = line.substr(eq + 1);
    // Only the line break is removed from a value; its blanks stay as written.
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n'))
        value.pop_back();
    return true;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    Load();
}

bool IniFile::Load()
{
    lines_.clear();
    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines_.push_back(line);
    }
    return true;
}

bool IniFile::Save() const
{
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    for (const auto& l : lines_)
        out << l << "\r\n";
    return static_cast<bool>(out);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    bool inSection = false;
    for (const auto& l : lines_) {
        std::string name;
        if (IsSection(l, name)) {
            inSection = SameName(name, section);
            continue;
        }
        std::string k;
        std::string v;
        if (inSection && IsKey(l, k, v) && SameName(k, key))
            return v;
    }
    return def;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    bool inSection = false;
    std::size_t sectionEnd = lines_.size();
    bool found = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string name;
        if (IsSection(lines_[i], name)) {
            if (inSection) {
                sectionEnd = i;
                break;
            }
            inSection = SameName(name, section);
            if (inSection)
                found = true;
            continue;
        }
        std::string k;
        std::string v;
        if (inSection && IsKey(lines_[i], k, v) && SameName(k, key)) {
            lines_[i] = k + "=" + value;
            return;
        }
    }
    if (!found) {
        lines_.push_back("[" + section + "]");
        lines_.push_back(key + "=" + value);
        return;
    }
    // Insert after the last non-empty line of the section.
    std::size_t at = sectionEnd;
    while (at > 0 && Trim(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
}

}  // namespace order
