#include "Tick.h"

#include <chrono>

std::uint32_t GetTickCount() {
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
