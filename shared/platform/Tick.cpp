#include "Tick.h"

#include <chrono>

std::uint32_t GetTickCount() {
    using namespace std::chrono;
    auto sinceStart = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(sinceStart.count());
}
