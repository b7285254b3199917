#pragma once
// Random pauses at the points where threads hand work to each other, for the tests that run a
// hand-over many times and compare it with the one-thread path. Each thread draws from a
// generator of its own: mostly no pause, sometimes a yield, now and then a sleep of up to a
// tenth of a millisecond on either side.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "HandOver.h"

class RandomHandOverPauses {
public:
    RandomHandOverPauses() { handover::SetTestPause(&Pause); }
    ~RandomHandOverPauses() { handover::SetTestPause(nullptr); }
    RandomHandOverPauses(const RandomHandOverPauses&) = delete;
    RandomHandOverPauses& operator=(const RandomHandOverPauses&) = delete;

private:
    static void Pause(handover::Side) {
        static std::atomic<unsigned> threads{0};
        thread_local std::minstd_rand random(++threads * 7919u);
        const unsigned draw = random() % 16;
        if (draw < 10) return;
        if (draw < 14) {
            std::this_thread::yield();
            return;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 100));
    }
};

// How many times a stress test repeats: quick in the everyday suite, many more where
// VARNHOLT_STRESS_RUNS asks (the ThreadSanitizer build), scaled by the test's own share.
inline int StressRuns(int everyday, double share = 1.0) {
    const char* asked = std::getenv("VARNHOLT_STRESS_RUNS");
    if (!asked) return everyday;
    const int runs = int(std::atoi(asked) * share);
    return runs > 0 ? runs : 1;
}
