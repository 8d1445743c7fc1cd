#include "Bell.h"

#include <QApplication>

namespace order {

namespace {

    std::function<void()>& TestBell()
    {
        static std::function<void()> bell;
        return bell;
    }

} // namespace

void RingBell()
{
    if (TestBell())
        TestBell()();
    else
        QApplication::beep();
}

void SetBellForTesting(std::function<void()> bell)
{
    TestBell() = std::move(bell);
}

}  // namespace order
