#pragma once

#include <functional>

namespace order {

// The desktop's bell, as a shop till beeps at a code it does not know.
void RingBell();

// Tests hear the bell through this; an empty function restores the desktop's.
void SetBellForTesting(std::function<void()> bell);

}  // namespace order
