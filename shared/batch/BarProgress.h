#pragma once
// Progress of one progress bar written as a terminal line in the style map makers know:
// "0...10...20...30...40...50...60...70...80...90...100 - done." Each dot is 2.5 % of the
// bar's range. A line starts once the bar moves past its minimum; a bar set back (the next
// pass of a long job) ends the line and starts a new one.
// RunBatch binds it to the program's progress bar when standard error is a terminal.
#include <ostream>

#include "Controls.h"

namespace batch {

class TerminalProgress {
public:
    explicit TerminalProgress(std::ostream& out) : out_(out) {}
    ~TerminalProgress() { Unbind(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Follows the bar through its observer until Unbind or destruction.
    void Bind(ui::ProgressBar& bar);
    void Unbind();

    // Reports the bar's state; called on each change of the bound bar.
    void Update(int minimum, int maximum, int position);
    // Ends an unfinished line, so other output starts on a line of its own.
    void BreakLine();

private:
    std::ostream& out_;
    ui::ProgressBar* bar_ = nullptr;
    int ticksShown_ = -1;  // -1: nothing shown for this pass yet
    bool done_ = false;
    bool lineOpen_ = false;  // characters on the terminal line not yet ended
};

}  // namespace batch
