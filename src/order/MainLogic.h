#pragma once

// Main-window rules that need no window: the message handed over on the
// command line, the notices request and reading the notices.

#include <QString>
#include <QStringList>

#include <array>
#include <string>

namespace order {

inline constexpr int kNoticeSlots = 20;
using TNotices = std::array<QString, kNoticeSlots>;

// The message a relaunch hands over as the second program argument
// (arguments()[2]): "/" becomes CR LF, "^" a blank. Empty when there is none.
QString LaunchMessage(const QStringList& arguments);

std::string NoticesRequest();

// Empties the slots and puts GM_NOTE of the records RDC_0.. into them; notices
// beyond the last slot are left out. Returns the record count of the answer.
long long ReadNotices(const std::string& answer, TNotices& notices);

} // namespace order
