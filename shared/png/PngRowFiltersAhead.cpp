#include "PngRowFiltersAhead.h"

#include <system_error>

#include "PngFilterChoice.h"

namespace pngcodec {

RowFiltersAhead::RowFiltersAhead(const png_bytep* rows, std::uint32_t height, std::size_t rowBytes,
                                 int bytesPerPixel, int usableFilters, RowGate* gate)
    : rows_(rows),
      height_(height),
      rowBytes_(rowBytes),
      bytesPerPixel_(bytesPerPixel),
      usableFilters_(usableFilters),
      gate_(gate),
      chosen_(height) {
    try {
        chooser_ = std::jthread([this](std::stop_token stop) { Choose(stop); });
    } catch (const std::system_error&) {
        Choose({});
    }
}

void RowFiltersAhead::Choose(std::stop_token stop) {
    const std::vector<std::uint8_t> zeros(rowBytes_, 0);
    for (std::uint32_t y = 0; y < height_ && !stop.stop_requested(); ++y) {
        if (gate_ && !gate_->WaitFor(y + 1)) return;
        chosen_[y] = ChooseRowFilter(rows_[y], y == 0 ? zeros.data() : rows_[y - 1], rowBytes_,
                                     bytesPerPixel_, usableFilters_);
        chosenRows_.Open(y + 1);
    }
}

// The writer asks only for rows its own gate has opened, which the choosing never stops short
// of while it is wanted.
std::uint8_t RowFiltersAhead::Filter(std::uint32_t y) {
    chosenRows_.WaitFor(y + 1);
    return chosen_[y];
}

}  // namespace pngcodec
