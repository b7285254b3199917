#pragma once
// Milliseconds since an arbitrary start, wrapping at 2^32 (about 49.7 days) like the system tick
// the progress throttling was written for: compare ticks by unsigned difference, never by order.
#include <cstdint>

std::uint32_t GetTickCount();
