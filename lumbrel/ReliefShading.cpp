#include "ReliefShading.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "ElevationColours.h"
#include "Errors.h"

namespace {

int RowPercent(int row, int height) { return int(std::int64_t(row) * 100 / height); }

void Report(const PercentCallback& showPercent, int row, int height) {
    if (showPercent) showPercent(RowPercent(row, height));
}

// A bitmap of the given format and size; its old pixels are dropped rather than converted.
void Prepare(Bitmap& bitmap, PixelFormat format, int width, int height) {
    if (bitmap.Format() != format) {
        bitmap.SetSize(0, 0);
        bitmap.SetFormat(format);
    }
    bitmap.SetSize(width, height);
}

void RequireHeightImage(const Bitmap& source) {
    if (source.Format() != PixelFormat::Indexed8)
        throw EInvalidGraphicOperation("The height image must have one byte per cell");
}

// Blue, green, red of each of the 256 codes, so the colour pass is one look-up per cell.
std::array<std::array<std::uint8_t, 3>, 256> CodeColours() {
    std::array<std::array<std::uint8_t, 3>, 256> table{};
    table[0] = {BlueOf(SeaColour), GreenOf(SeaColour), RedOf(SeaColour)};
    for (int code = 1; code < 256; ++code) {
        Colour c = ElevationColour(HeightOfCode(code));
        table[code] = {BlueOf(c), GreenOf(c), RedOf(c)};
    }
    return table;
}

// Every (relief, colour byte) result, so each byte is one look-up: twice as fast as clamping
// byte by byte.
using ShiftTable = std::vector<std::array<std::uint8_t, 256>>;
ShiftTable ShiftedBytes() {
    ShiftTable shifted(256);
    for (int shade = 0; shade < 256; ++shade)
        for (int value = 0; value < 256; ++value)
            shifted[shade][value] =
                std::uint8_t(std::clamp(value + shade - kNeutralRelief, 0, 255));
    return shifted;
}

// The relief of one row from its codes and those of the row below; difference is scratch of
// the row's width. The last cell has no south-east neighbour and stays flat.
void ReliefRow(const std::uint8_t* __restrict here, const std::uint8_t* __restrict belowRow,
               int width, std::uint8_t referenceLevel, std::uint8_t* __restrict out,
               std::uint8_t* __restrict difference, CellCounts& counts) {
    // Byte masks instead of branches, and the counting in separate passes over a row of
    // differences, so that the compiler vectorises both (a branchy loop took half the budget).
    // The step for a difference d is the sum of the increments of ReliefStep up to d.
    static_assert(ReliefStep[0] == 5 && ReliefStep[1] == 7 && ReliefStep[2] == 10 &&
                  ReliefStep[3] == 15 && ReliefStep[4] == 20);
    auto mask = [](bool condition) { return std::uint8_t(-std::uint8_t(condition)); };
    const std::uint8_t* __restrict below = belowRow + 1;
    const int pairs = width - 1;
    for (int x = 0; x < pairs; ++x) {
        const std::uint8_t codeHere = here[x];
        const std::uint8_t codeBelow = below[x];
        const std::uint8_t d =
            std::uint8_t(codeHere > codeBelow ? codeHere - codeBelow : codeBelow - codeHere);
        const std::uint8_t land =
            mask(codeHere != referenceLevel) & mask(codeBelow != referenceLevel);
        const std::uint8_t step =
            std::uint8_t(((mask(d >= 1) & 5) + (mask(d >= 2) & 2) + (mask(d >= 3) & 3) +
                          (mask(d >= 4) & 5) + (mask(d >= 5) & 5)) &
                         land);
        const std::uint8_t darker = mask(codeBelow < codeHere);
        out[x] = std::uint8_t(kNeutralRelief + step - ((step + step) & darker));
        difference[x] = d & land;
    }
    if (width > 0) out[width - 1] = kNeutralRelief;
    for (int d = 1; d <= 5; ++d) {
        std::int64_t found = 0;
        for (int x = 0; x < pairs; ++x) found += difference[x] == d;
        counts[d] += found;
    }
}

struct ShadingTables {
    std::array<std::array<std::uint8_t, 3>, 256> colours = CodeColours();
    ShiftTable shifted = ShiftedBytes();
};

// One row of the combined image (blue, green, red) from its codes and relief.
void CombineRow(const std::uint8_t* codes, const std::uint8_t* relief, int width,
                const ShadingTables& tables, std::uint8_t* out) {
    for (int x = 0; x < width; ++x, out += 3) {
        const std::uint8_t* shift = tables.shifted[relief[x]].data();
        const std::uint8_t* colour = tables.colours[codes[x]].data();
        out[0] = shift[colour[0]];
        out[1] = shift[colour[1]];
        out[2] = shift[colour[2]];
    }
}

// Rows first..last-1 of the combined image, each made in one go from two rows of codes.
void ShadeRows(const Bitmap& source, Bitmap& combined, int first, int last,
               const ShadingTables& tables, CellCounts& counts,
               const std::function<void(int row)>& rowDone) {
    const int width = source.Width();
    const int height = source.Height();
    const std::uint8_t referenceLevel = source.Row(0)[0];
    std::vector<std::uint8_t> relief(std::size_t(width), kNeutralRelief);
    std::vector<std::uint8_t> difference(std::size_t(width), 0);
    for (int y = first; y < last; ++y) {
        const std::uint8_t* codes = source.Row(y);
        if (y + 1 < height)
            ReliefRow(codes, source.Row(y + 1), width, referenceLevel, relief.data(),
                      difference.data(), counts);
        else
            std::fill(relief.begin(), relief.end(), kNeutralRelief);
        CombineRow(codes, relief.data(), width, tables, combined.Row(y));
        if (rowDone) rowDone(y);
    }
}

}  // namespace

void MakeColourImage(const Bitmap& source, Bitmap& colour, const PercentCallback& showPercent) {
    RequireHeightImage(source);
    const int width = source.Width();
    const int height = source.Height();
    Prepare(colour, PixelFormat::Bgr24, width, height);
    const auto codeColours = CodeColours();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* codes = source.Row(y);
        std::uint8_t* out = colour.Row(y);
        for (int x = 0; x < width; ++x, out += 3) std::memcpy(out, codeColours[codes[x]].data(), 3);
        Report(showPercent, y, height);
    }
    colour.MarkModified();
}

CellCounts MakeReliefImage(const Bitmap& source, Bitmap& relief,
                           const PercentCallback& showPercent) {
    RequireHeightImage(source);
    const int width = source.Width();
    const int height = source.Height();
    Prepare(relief, PixelFormat::Indexed8, width, height);
    SetGreyPalette(relief);
    for (int y = 0; y < height; ++y) std::memset(relief.Row(y), kNeutralRelief, std::size_t(width));

    CellCounts counts;
    if (source.IsEmpty()) return counts;
    const std::uint8_t referenceLevel = source.Row(0)[0];
    std::vector<std::uint8_t> difference(std::size_t(width), 0);
    for (int y = 0; y + 1 < height; ++y) {
        ReliefRow(source.Row(y), source.Row(y + 1), width, referenceLevel, relief.Row(y),
                  difference.data(), counts);
        Report(showPercent, y, height);
    }
    relief.MarkModified();
    return counts;
}

void MakeCombinedImage(const Bitmap& colour, const Bitmap& relief, Bitmap& combined,
                       const PercentCallback& showPercent) {
    const int width = colour.Width();
    const int height = colour.Height();
    if (colour.Format() != PixelFormat::Bgr24 || relief.Format() != PixelFormat::Indexed8 ||
        relief.Width() != width || relief.Height() != height)
        throw EInvalidGraphicOperation("The colour and relief images do not match");
    Prepare(combined, PixelFormat::Bgr24, width, height);
    const ShiftTable shifted = ShiftedBytes();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = colour.Row(y);
        const std::uint8_t* shade = relief.Row(y);
        std::uint8_t* out = combined.Row(y);
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            const std::uint8_t* result = shifted[shade[x]].data();
            out[0] = result[in[0]];
            out[1] = result[in[1]];
            out[2] = result[in[2]];
        }
        Report(showPercent, y, height);
    }
    combined.MarkModified();
}

CellCounts MakeShadedImage(const Bitmap& source, Bitmap& combined,
                           const PercentCallback& showPercent) {
    RequireHeightImage(source);
    const int width = source.Width();
    const int height = source.Height();
    Prepare(combined, PixelFormat::Bgr24, width, height);
    CellCounts counts;
    if (source.IsEmpty()) {
        combined.MarkModified();
        return counts;
    }
    const ShadingTables tables;
    // The lower half on a second core; the rows are independent, and only this thread reports.
    const int middle = height / 2;
    CellCounts lowerCounts;
    std::exception_ptr lowerFailure;
    auto shadeLower = [&]() noexcept {
        try {
            ShadeRows(source, combined, middle, height, tables, lowerCounts, {});
        } catch (...) {
            lowerFailure = std::current_exception();
        }
    };
    {
        std::jthread helper;
        try {
            helper = std::jthread(shadeLower);
        } catch (const std::system_error&) {
            shadeLower();
        }
        ShadeRows(source, combined, 0, middle, tables, counts,
                  [&](int y) { Report(showPercent, y, std::max(middle, 1)); });
    }
    if (lowerFailure) std::rethrow_exception(lowerFailure);
    for (int d = 1; d <= 5; ++d) counts[d] += lowerCounts[d];
    combined.MarkModified();
    return counts;
}

namespace {

// Rows shaded at a time: a band waits for its rows and the row below them.
constexpr int kBandRows = 32;

}  // namespace

struct ShadingAhead::Tables {
    ShadingTables tables;
};

ShadingAhead::ShadingAhead(const Bitmap& source, Bitmap& combined)
    : source_(source), combined_(combined) {}

ShadingAhead::~ShadingAhead() { arrived_.Abandon(); }

void ShadingAhead::Publish(int rows) {
    if (!started_) {
        if (declined_) return;
        if (source_.Format() != PixelFormat::Indexed8 || source_.IsEmpty()) {
            declined_ = true;
            return;
        }
        Prepare(combined_, PixelFormat::Bgr24, source_.Width(), source_.Height());
        tables_ = std::make_unique<Tables>();
        started_ = true;
        try {
            helper_ = std::jthread([this] {
                try {
                    ShadeBands(helperCounts_, {});
                } catch (...) {
                    helperFailure_ = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // No second thread: Finish shades every band.
        }
    }
    arrived_.Open(std::uint32_t(std::max(rows, 0)));
}

bool ShadingAhead::ShadeBands(CellCounts& counts,
                              const std::function<void(int rowsDone)>& bandDone) {
    const int height = source_.Height();
    const int bands = (height + kBandRows - 1) / kBandRows;
    for (int band = nextBand_++; band < bands; band = nextBand_++) {
        const int first = band * kBandRows;
        const int last = std::min(first + kBandRows, height);
        const int needed = std::min(last + 1, height);
        if (!arrived_.WaitFor(std::uint32_t(needed))) return false;
        ShadeRows(source_, combined_, first, last, tables_->tables, counts, {});
        const int done = rowsShaded_ += last - first;
        if (bandDone) bandDone(done);
    }
    return true;
}

CellCounts ShadingAhead::Finish(const PercentCallback& showPercent) {
    if (!started_) return MakeShadedImage(source_, combined_, showPercent);
    const int height = source_.Height();
    if (!arrived_.IsOpen(std::uint32_t(height)))
        throw std::logic_error("Shading finished before its rows came");
    CellCounts counts;
    ShadeBands(counts, [&](int done) { Report(showPercent, done, height); });
    if (helper_.joinable()) helper_.join();
    if (helperFailure_) std::rethrow_exception(helperFailure_);
    for (int d = 1; d <= 5; ++d) counts[d] += helperCounts_[d];
    combined_.MarkModified();
    return counts;
}

struct RowByRowShading::Tables {
    ShadingTables tables;
};

RowByRowShading::RowByRowShading(int width, int height, RowDone rowDone)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      rowDone_(std::move(rowDone)),
      tables_(std::make_unique<Tables>()),
      here_(std::size_t(width_)),
      below_(std::size_t(width_)),
      relief_(std::size_t(width_), kNeutralRelief),
      difference_(std::size_t(width_)),
      combined_(std::size_t(width_) * 3) {}

RowByRowShading::~RowByRowShading() = default;

void RowByRowShading::Add(const std::uint8_t* codes) {
    if (rowsIn_ >= height_) throw std::logic_error("More rows than the image has");
    if (rowsIn_ == 0) {
        if (width_ > 0) referenceLevel_ = codes[0];
        std::copy_n(codes, width_, here_.begin());
    } else {
        std::copy_n(codes, width_, below_.begin());
        ShadeHere(true);
        here_.swap(below_);
    }
    ++rowsIn_;
}

CellCounts RowByRowShading::Finish() {
    if (rowsIn_ != height_) throw std::logic_error("Shading finished before its rows came");
    if (height_ > 0) ShadeHere(false);
    return counts_;
}

void RowByRowShading::ShadeHere(bool rowBelow) {
    if (rowBelow)
        ReliefRow(here_.data(), below_.data(), width_, referenceLevel_, relief_.data(),
                  difference_.data(), counts_);
    else
        std::fill(relief_.begin(), relief_.end(), kNeutralRelief);
    CombineRow(here_.data(), relief_.data(), width_, tables_->tables, combined_.data());
    if (rowDone_) rowDone_(rowsOut_, here_.data(), relief_.data(), combined_.data());
    ++rowsOut_;
}
