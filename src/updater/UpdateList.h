#pragma once

// The update list published by the service host and the comparison of its
// file lists with a folder. Pure functions: no network, no window.
//
// The list is text with four sections, each the text between the first
// opening and the first closing tag of its name:
//   <VERSION>checksum of the current program file</VERSION>
//   <MODULE>name,checksum lines for the program folder</MODULE>
//   <IMAGE>name,checksum lines for the picture folder</IMAGE>
//   <MESSAGE>text shown after an update ("^" for blanks, "/" for breaks)</MESSAGE>

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace order {

struct UpdateList {
    QString version;
    QString module;
    QString image;
    QString message;
};

UpdateList ReadUpdateList(const QString& text);

struct UpdateEntry {
    QString name;
    QString checksum; // as written in the list
};

// Fields of one line separated by ","; a "," inside single or double quotes
// belongs to the field, and the quotes are removed.
QStringList SplitListLine(const QString& line);

// True for a plain file name: not empty, not "." or "..", no "/", no "\",
// no NUL. Anything else would write outside the target folder.
bool IsSafeFileName(const QString& name);

struct ParsedSection {
    std::vector<UpdateEntry> entries;
    QStringList refused; // names that are not plain file names; never fetched
};

// Lines separated by CR and/or LF; empty lines are skipped; fields after the
// second are ignored.
ParsedSection ParseFileSection(const QString& section);

using ChecksumFunction = std::function<std::uint32_t(const QString& path)>;

// Names to fetch into folder (ending with "/"), in list order: every entry
// whose file is missing or whose checksum text differs from the listed one.
QStringList NamesToFetch(
    const std::vector<UpdateEntry>& entries, const QString& folder, const ChecksumFunction& checksum);

// The VERSION section compared with a checksum text; surrounding line breaks
// and blanks in the section do not count.
bool VersionMatches(const QString& versionSection, const QString& checksumText);

} // namespace order
