#include "DateCode.h"

#include <atomic>
#include <cstdio>

namespace order {

namespace {
std::atomic<std::time_t> fixedTime{0};
}

void SetFixedTimeForTesting(std::time_t t)
{
    fixedTime = t;
}

std::time_t CurrentTime()
{
    const std::time_t t = fixedTime.load();
    return t ? t : std::time(nullptr);
}

std::string DateCodeOf(const std::tm& local)
{
    char buf[32]; // room for any int the fields may hold
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", local.tm_year % 100, local.tm_mon + 1, local.tm_mday);
    return buf;
}

std::string TodayCode()
{
    const std::time_t t = CurrentTime();
    std::tm local{};
    localtime_r(&t, &local);
    return DateCodeOf(local);
}

}  // namespace order
