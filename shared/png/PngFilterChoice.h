#pragma once
// The row filter libpng's writer would pick for each row, worked out before the write so that
// libpng applies only that one: trying every allowed filter on every row was a quarter of the
// time spent writing a large image. The rule is libpng 1.6's: the filter whose filtered bytes,
// read as signed, have the smallest sum of magnitudes, the earlier one (None, Sub, Up, Average,
// Paeth) on a tie; the row above a first row is zeros; a one-row image cannot use the filters
// that look up and a one-column image those that look left.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "PngDef.h"

namespace pngcodec {

// The allowed filter flags (PNG_FILTER_NONE ... PNG_FILTER_PAETH) an image of this size keeps.
int UsableFilters(int filterFlags, std::uint32_t width, std::uint32_t height);

// The flag of the filter chosen for one row of whole bytes per pixel; above is the row before
// it, or zeros for the first.
std::uint8_t ChooseRowFilter(const std::uint8_t* row, const std::uint8_t* above,
                             std::size_t rowBytes, int bytesPerPixel, int usableFilters);

// The row filtered as ChooseRowFilter chooses, its type byte first: each allowed filter is made
// into its own part of candidates (5 x (rowBytes + 1) bytes) and the chosen one returned.
const std::uint8_t* FilterRowAsChosen(const std::uint8_t* row, const std::uint8_t* above,
                                      std::size_t rowBytes, int bytesPerPixel, int usableFilters,
                                      std::uint8_t* candidates);

// The same for each row of an image.
std::vector<std::uint8_t> ChooseRowFilters(const png_bytep* rows, std::uint32_t height,
                                           std::size_t rowBytes, int bytesPerPixel,
                                           int usableFilters);

}  // namespace pngcodec
