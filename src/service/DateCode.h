#pragma once

#include <ctime>
#include <string>

namespace order {

// Today's local date as "yymmdd".
std::string TodayCode();
std::string DateCodeOf(const std::tm& local);

// A clock that tests can set; 0 means the real time.
void SetFixedTimeForTesting(std::time_t t);
std::time_t CurrentTime();

}  // namespace order
