#pragma once
// A millisecond tick for throttling progress reports: a steady clock that wraps around as an
// unsigned 32-bit count, so intervals are measured as the unsigned difference of two ticks.
#include <cstdint>

std::uint32_t TickCount();
