#pragma once
// A form's progress bar followed on the terminal through the one progress printer.
// RunBatch binds it to the program's progress bar when progress is wanted.
#include <ostream>

#include "Controls.h"
#include "ProgressPrinter.h"

namespace batch {

class BarProgress {
public:
    explicit BarProgress(std::ostream& out) : printer_(out) {}
    ~BarProgress() { Unbind(); }
    BarProgress(const BarProgress&) = delete;
    BarProgress& operator=(const BarProgress&) = delete;

    // Follows the bar until Unbind or destruction.
    void Bind(ui::ProgressBar& bar);
    void Unbind();

    // Reports a bar's state; called on each change of the bound bar.
    void Update(int minimum, int maximum, int position);
    void BreakLine() { printer_.BreakLine(); }

private:
    app::ProgressPrinter printer_;
    ui::Subscription subscription_;
};

}  // namespace batch
