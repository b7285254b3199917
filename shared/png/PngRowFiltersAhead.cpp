#include "PngRowFiltersAhead.h"

#include <system_error>

#include "PngFilterChoice.h"

namespace pngcodec {

namespace {

// Below this many bytes of rows the choices take less time than starting a thread.
constexpr std::uint64_t kThreadBytes = 64 * 1024;

}  // namespace

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
      zeros_(rowBytes, 0) {
    if (std::uint64_t(height) * rowBytes < kThreadBytes) return;
    chosen_.resize(height);
    try {
        chooser_ = std::jthread([this](std::stop_token stop) { Choose(stop); });
    } catch (const std::system_error&) {
        chosen_.clear();
    }
}

std::uint8_t RowFiltersAhead::ChooseNow(std::uint32_t y) {
    if (!makeRow_) {
        return ChooseRowFilter(rows_[y], y == 0 ? zeros_.data() : rows_[y - 1], rowBytes_,
                               bytesPerPixel_, usableFilters_);
    }
    // Made rows take turns in two rows of our own: the row and the one above it. The writer
    // asks from row 1 on, so the row above is made here when it was not the last one made.
    if (made_[0].empty()) made_[0].resize(rowBytes_), made_[1].resize(rowBytes_);
    if (y > 0 && lastMade_ != std::int64_t(y) - 1) (*makeRow_)(y - 1, made_[(y + 1) % 2].data());
    (*makeRow_)(y, made_[y % 2].data());
    lastMade_ = y;
    return ChooseRowFilter(made_[y % 2].data(), y == 0 ? zeros_.data() : made_[(y + 1) % 2].data(),
                           rowBytes_, bytesPerPixel_, usableFilters_);
}

void RowFiltersAhead::Choose(std::stop_token stop) {
    for (std::uint32_t y = 0; y < height_ && !stop.stop_requested(); ++y) {
        if (gate_ && !gate_->WaitFor(y + 1)) return;
        chosen_[y] = ChooseNow(y);
        chosenRows_.Open(y + 1);
    }
}

// The writer asks only for rows its own gate has opened, which the choosing never stops short
// of while it is wanted.
std::uint8_t RowFiltersAhead::Filter(std::uint32_t y) {
    if (!chooser_.joinable()) return ChooseNow(y);
    chosenRows_.WaitFor(y + 1);
    return chosen_[y];
}

}  // namespace pngcodec
