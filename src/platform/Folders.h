#pragma once

#include <QString>

namespace order {

// The user's templates folder (the XDG templates directory, else
// $HOME/Templates), created when missing, without a trailing slash. Empty
// when no home is known.
QString GetTemplatesFolder();

// Copies every file (not sub-folders) of folder from into folder to (both
// ending with a slash), creating to (one level) when missing. True when every
// copy succeeded; stops at the first failure.
bool CopyFolderFiles(const QString& from, const QString& to);

// Folder of a path with a trailing slash.
QString WithSlash(const QString& folder);

}  // namespace order
