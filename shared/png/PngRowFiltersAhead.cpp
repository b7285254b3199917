#include "PngRowFiltersAhead.h"

#include <system_error>

#include "PngFilterChoice.h"

namespace pngcodec {

RowFiltersAhead::RowFiltersAhead(const png_bytep* rows, std::uint32_t height, std::size_t rowBytes,
                                 int bytesPerPixel, int usableFilters, RowGate* gate,
                                 const std::function<void(std::uint32_t, std::uint8_t*)>* makeRow)
    : rows_(rows),
      height_(height),
      rowBytes_(rowBytes),
      bytesPerPixel_(bytesPerPixel),
      usableFilters_(usableFilters),
      gate_(gate),
      makeRow_(makeRow),
      chosen_(height) {
    try {
        chooser_ = std::jthread([this](std::stop_token stop) { Choose(stop); });
    } catch (const std::system_error&) {
        Choose({});
    }
}

void RowFiltersAhead::Choose(std::stop_token stop) {
    const std::vector<std::uint8_t> zeros(rowBytes_, 0);
    // Made rows take turns in these two: the row and the one above it.
    std::vector<std::uint8_t> made[2];
    if (makeRow_) made[0].resize(rowBytes_), made[1].resize(rowBytes_);
    for (std::uint32_t y = 0; y < height_ && !stop.stop_requested(); ++y) {
        if (gate_ && !gate_->WaitFor(y + 1)) return;
        const std::uint8_t* row;
        const std::uint8_t* above;
        if (makeRow_) {
            (*makeRow_)(y, made[y % 2].data());
            row = made[y % 2].data();
            above = y == 0 ? zeros.data() : made[(y + 1) % 2].data();
        } else {
            row = rows_[y];
            above = y == 0 ? zeros.data() : rows_[y - 1];
        }
        chosen_[y] = ChooseRowFilter(row, above, rowBytes_, bytesPerPixel_, usableFilters_);
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
