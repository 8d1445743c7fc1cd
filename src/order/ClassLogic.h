#pragma once

// The product classifications without a window: the request of the
// classification call and reading its answer into the ClassNames table.

#include "FixedText.h"

#include <array>
#include <string>

namespace order {

inline const QString kUnclassified = QStringLiteral("미분류");

std::string ClassesRequest(const std::string& cCode);

// Puts G_GPN1 of the records RDC_0 .. into the table, at most `limit` (and
// never more than the table holds): each cut to its first 50 characters and
// trimmed; an empty one becomes "미분류". Returns how many were stored.
int ReadClasses(const std::string& answer, int limit, std::array<FixedText<50>, 100>& names);

} // namespace order
