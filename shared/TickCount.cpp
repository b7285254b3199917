#include "TickCount.h"

#include <chrono>

std::uint32_t TickCount() {
    auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}
