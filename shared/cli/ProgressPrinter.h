#pragma once
// Progress on a terminal line as map makers know it from GDAL:
// "0...10...20...30...40...50...60...70...80...90...100 - done." Each dot is 2.5 % of the work.
// A line starts once the work moves past 0; a fraction lower than the last one (the next pass
// of a long job) ends the line and starts a new one. The programs' progress bars and the tools'
// long loops all report through ProgressCallback to this one printer.
#include <functional>
#include <ostream>

namespace app {

// The fraction of the work done, from 0 to 1.
using ProgressCallback = std::function<void(double fraction)>;

class ProgressPrinter {
public:
    explicit ProgressPrinter(std::ostream& out, bool enabled = true)
        : out_(out), enabled_(enabled) {}
    ~ProgressPrinter() { BreakLine(); }
    ProgressPrinter(const ProgressPrinter&) = delete;
    ProgressPrinter& operator=(const ProgressPrinter&) = delete;

    void Report(double fraction);
    ProgressCallback Callback() {
        return [this](double fraction) { Report(fraction); };
    }
    // Ends an unfinished line, so other output starts on a line of its own.
    void BreakLine();

private:
    std::ostream& out_;
    bool enabled_;
    int ticksShown_ = -1;  // -1: nothing shown for this pass yet
    bool done_ = false;
    bool lineOpen_ = false;  // characters on the terminal line not yet ended
};

// Progress is shown only on a terminal, and never with --quiet.
bool ProgressWanted(bool quiet);

}  // namespace app
