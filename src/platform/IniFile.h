#pragma once

// A small INI profile reader/writer that keeps sections, keys and values as
// written (other lines are kept untouched when a value is written).

#include <string>
#include <vector>

namespace order {

class IniFile {
public:
    explicit IniFile(std::string path);

    // Reads the file again; false when it cannot be read.
    bool Load();
    // Writes the file; false when it cannot be written.
    bool Save() const;

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> lines_;
};

}  // namespace order
