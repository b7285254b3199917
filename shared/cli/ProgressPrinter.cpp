#include "ProgressPrinter.h"

#include <unistd.h>

#include <algorithm>

namespace app {

namespace {
constexpr int kTicks = 40;
// Fractions made of whole counts (7 of 10) land on their tick despite rounding.
constexpr double kTickTolerance = 1e-9;
}  // namespace

void ProgressPrinter::Report(double fraction) {
    if (!enabled_) return;
    int ticks = 0;
    if (fraction > 0) ticks = int(std::min(1.0, fraction) * kTicks + kTickTolerance);
    if (ticksShown_ >= 0 && ticks < ticksShown_) {
        BreakLine();
        ticksShown_ = -1;
        done_ = false;
    }
    if ((ticksShown_ < 0 && ticks == 0) || done_) return;
    for (int tick = ticksShown_ + 1; tick <= ticks; ++tick) {
        lineOpen_ = true;
        if (tick == kTicks) {
            out_ << "100 - done.\n";
            lineOpen_ = false;
            done_ = true;
        } else if (tick % 4 == 0) {
            out_ << tick / 4 * 10;
        } else {
            out_ << '.';
        }
    }
    ticksShown_ = std::max(ticksShown_, ticks);
    out_.flush();
}

void ProgressPrinter::BreakLine() {
    if (!lineOpen_) return;
    out_ << '\n' << std::flush;
    lineOpen_ = false;
}

bool ProgressWanted(bool quiet) { return !quiet && ::isatty(STDERR_FILENO); }

}  // namespace app
