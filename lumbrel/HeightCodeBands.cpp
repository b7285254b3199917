#include "HeightCodeBands.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace {

std::size_t BandBytes(int width) {
    return std::size_t(width) * std::size_t(HeightCodeBands::kRowsPerBand);
}

}  // namespace

HeightCodeBands::HeightCodeBands(int width) : width_(std::max(width, 0)) {
    filling_.reserve(BandBytes(width_));
}

// Each code is kept as its difference from its western neighbour (as PNG's Sub filter does),
// which slopes and plains turn into runs that pack far better.
void HeightCodeBands::AddRow(const std::uint8_t* codes) {
    std::uint8_t west = 0;
    for (int x = 0; x < width_; ++x) {
        filling_.push_back(std::uint8_t(codes[x] - west));
        west = codes[x];
    }
    ++rows_;
    if (filling_.size() == BandBytes(width_)) PackBand();
}

// The fastest level: ocean and gentle slopes pack well even so, and the whole image passes
// through here while it is shaded.
void HeightCodeBands::PackBand() {
    uLongf size = compressBound(uLong(filling_.size()));
    std::vector<std::uint8_t> packed(size);
    if (compress2(packed.data(), &size, filling_.data(), uLong(filling_.size()), 1) != Z_OK)
        throw std::bad_alloc();
    packed.resize(size);
    packed.shrink_to_fit();
    packed_.push_back(std::move(packed));
    filling_.clear();
}

std::optional<std::uint8_t> HeightCodeBands::Code(int column, int row) {
    if (column < 0 || row < 0 || column >= width_ || row >= rows_) return std::nullopt;
    const int band = row / kRowsPerBand;
    const std::size_t rowStart = std::size_t(row % kRowsPerBand) * std::size_t(width_);
    const std::uint8_t* differences = nullptr;
    if (band >= int(packed_.size())) {
        differences = filling_.data() + rowStart;
    } else {
        if (!Inflate(band)) return std::nullopt;
        differences = inflated_.data() + rowStart;
    }
    std::uint8_t code = 0;
    for (int x = 0; x <= column; ++x) code = std::uint8_t(code + differences[x]);
    return code;
}

bool HeightCodeBands::Inflate(int band) {
    if (band == inflatedBand_) return true;
    inflated_.resize(BandBytes(width_));
    uLongf size = uLongf(inflated_.size());
    const std::vector<std::uint8_t>& packed = packed_[std::size_t(band)];
    inflatedBand_ = -1;
    if (uncompress(inflated_.data(), &size, packed.data(), uLong(packed.size())) != Z_OK ||
        size != inflated_.size())
        return false;
    inflatedBand_ = band;
    return true;
}

std::size_t HeightCodeBands::PackedBytes() const {
    std::size_t total = filling_.size();
    for (const auto& band : packed_) total += band.size();
    return total;
}
