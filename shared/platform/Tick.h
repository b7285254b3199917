#pragma once
// Milliseconds since an arbitrary start, wrapping at 2^32 (about 49.7 days) like the system tick
// the progress throttling was written for: compare ticks by unsigned difference, never by order.
#include <cstdint>
#include <functional>

std::uint32_t GetTickCount();

// Where throttled code reads the tick: GetTickCount, or a test's own clock.
using TickClock = std::function<std::uint32_t()>;
