#include "BarProgress.h"

namespace batch {

void BarProgress::Bind(ui::ProgressBar& bar) {
    Unbind();
    auto update = [this, &bar] { Update(bar.Min(), bar.Max(), bar.Position()); };
    subscription_ = bar.Subscribe({update, update});
}

void BarProgress::Unbind() {
    subscription_ = {};
    BreakLine();
}

void BarProgress::Update(int minimum, int maximum, int position) {
    if (maximum <= minimum) return printer_.Report(0);
    printer_.Report((double(position) - minimum) / (double(maximum) - minimum));
}

}  // namespace batch
