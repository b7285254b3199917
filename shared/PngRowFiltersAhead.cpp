#include "PngRowFiltersAhead.h"

#include <system_error>

#include "PngFilterChoice.h"

namespace pngcodec {

namespace {

// Rows made known to the writer at a time: waking it for every row would cost more than a row.
constexpr std::uint32_t kRowsPerNotice = 16;

}  // namespace

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
    for (std::uint32_t y = 0; y < height_; ++y) {
        if (gate_ && !gate_->IsOpen(y + 1)) {
            // What is chosen goes to the writer before the wait, or it would wait with us.
            ready_.store(y, std::memory_order_release);
            ready_.notify_one();
            if (!gate_->WaitFor(y + 1)) return;
        }
        chosen_[y] = ChooseRowFilter(rows_[y], y == 0 ? zeros.data() : rows_[y - 1], rowBytes_,
                                     bytesPerPixel_, usableFilters_);
        if ((y + 1) % kRowsPerNotice == 0 || y + 1 == height_) {
            ready_.store(y + 1, std::memory_order_release);
            ready_.notify_one();
            if (stop.stop_requested()) return;
        }
    }
}

std::uint8_t RowFiltersAhead::Filter(std::uint32_t y) {
    for (std::uint32_t ready = ready_.load(std::memory_order_acquire); ready <= y;
         ready = ready_.load(std::memory_order_acquire))
        ready_.wait(ready, std::memory_order_acquire);
    return chosen_[y];
}

}  // namespace pngcodec
