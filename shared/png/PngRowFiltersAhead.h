#pragma once
// The row filters of an image chosen on a thread of their own while libpng writes the rows, so
// that the choice costs the writer nothing but the rare wait for a row it has caught up with.
// A small image, which would not repay starting a thread, or one that finds no thread to be had,
// has each row's filter chosen when the writer asks for it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "PngDef.h"
#include "RowGate.h"

namespace pngcodec {

class RowFiltersAhead {
public:
    // The rows must stay as they are until this is destroyed. With a gate, each row is chosen
    // once the gate has opened it; a gate abandoned first leaves the rest unchosen. With
    // makeRow, rows are made (in order, into rows of its own) instead of read from rows.
    RowFiltersAhead(const png_bytep* rows, std::uint32_t height, std::size_t rowBytes,
                    int bytesPerPixel, int usableFilters, RowGate* gate = nullptr,
                    const std::function<void(std::uint32_t, std::uint8_t*)>* makeRow = nullptr);
    RowFiltersAhead(const RowFiltersAhead&) = delete;
    RowFiltersAhead& operator=(const RowFiltersAhead&) = delete;

    // The filter flag of row y, once chosen.
    std::uint8_t Filter(std::uint32_t y);

private:
    // Rows are asked for in order, on one thread at a time.
    std::uint8_t ChooseNow(std::uint32_t y);
    void Choose(std::stop_token stop);

    const png_bytep* rows_;
    std::uint32_t height_;
    std::size_t rowBytes_;
    int bytesPerPixel_;
    int usableFilters_;
    RowGate* gate_;
    const std::function<void(std::uint32_t, std::uint8_t*)>* makeRow_;
    std::vector<std::uint8_t> zeros_;  // the row above the first
    std::vector<std::uint8_t> made_[2];
    std::int64_t lastMade_ = -1;
    std::vector<std::uint8_t> chosen_;
    RowGate chosenRows_;  // rows whose filter is chosen
    // Last, so that it stops and joins first: a write that failed needs no more rows.
    std::jthread chooser_;
};

}  // namespace pngcodec
