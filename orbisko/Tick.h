#pragma once
// Stand-in until the shared tick lands; same interface.
#include <cstdint>
std::uint32_t GetTickCount();
