#include "TerminalProgress.h"

#include <algorithm>

namespace batch {

namespace {
constexpr int kTicks = 40;  // 2.5 % each
}

void TerminalProgress::Bind(ui::ProgressBar& bar) {
    Unbind();
    bar_ = &bar;
    auto update = [this] { Update(bar_->Min(), bar_->Max(), bar_->Position()); };
    bar.observer.changed = update;
    bar.observer.repaintNow = update;
}

void TerminalProgress::Unbind() {
    if (bar_) {
        bar_->observer = {};
        bar_ = nullptr;
    }
    BreakLine();
}

void TerminalProgress::Update(int minimum, int maximum, int position) {
    int ticks = 0;
    if (maximum > minimum && position > minimum) {
        long long span = (long long)maximum - minimum;
        long long progress = (long long)position - minimum;
        ticks = int(progress >= span ? kTicks : progress * kTicks / span);
    }
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

void TerminalProgress::BreakLine() {
    if (!lineOpen_) return;
    out_ << '\n' << std::flush;
    lineOpen_ = false;
}

}  // namespace batch
