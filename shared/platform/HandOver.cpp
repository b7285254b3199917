#include "HandOver.h"

#include <atomic>

namespace handover {

namespace {

std::atomic<Pause> testPause{nullptr};

}  // namespace

void SetTestPause(Pause pause) { testPause.store(pause, std::memory_order_release); }

void At(Side side) {
    if (const Pause pause = testPause.load(std::memory_order_acquire)) pause(side);
}

}  // namespace handover
