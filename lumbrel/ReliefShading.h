#pragma once
// Hill shading of the world height image.
//
// A height code v is one byte per cell: 0 is sea, any other code stands for v * v / 9 metres
// rounded (never a tie), so codes 1..255 cover 0..7225 m. Three passes, each over whole rows:
//  - colour: sea colour for code 0, else the elevation colour of the decoded height;
//  - relief: each cell against its south-east neighbour (light from the north-west), 128 flat,
//    lighter when the neighbour is higher; the last row and column stay 128, and so does every
//    pair touching the top-left cell's code, which marks sea;
//  - combined: each colour byte moved by (relief - 128), clamped to 0..255.
// Each pass reports the percentage of rows done after every row.
//
// MakeShadedImage gives the combined image and the counts of the three passes in one pass over
// the rows, on both cores, without making the colour and relief images.
#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "Bitmap.h"
#include "Colour.h"
#include "RowGate.h"

using PercentCallback = std::function<void(int percent)>;

inline constexpr Colour SeaColour = MakeColour(135, 180, 198);
// Relief offsets for code differences 1..5; larger differences use the last one.
inline constexpr std::array<int, 5> ReliefStep = {5, 7, 10, 15, 20};
inline constexpr std::uint8_t kNeutralRelief = 128;

// Cell pairs whose codes differ by exactly 1..5, indexed by that difference. 64-bit so that
// images beyond two thousand million cells still count correctly.
class CellCounts {
public:
    std::int64_t operator[](int difference) const { return counts_.at(difference - 1); }
    std::int64_t& operator[](int difference) { return counts_.at(difference - 1); }
    void Clear() { counts_.fill(0); }

private:
    std::array<std::int64_t, 5> counts_{};
};

// Metres of a land code (code 0 is sea and has no height).
constexpr int HeightOfCode(int heightCode) { return (heightCode * heightCode + 4) / 9; }

// The colour image of an 8-bit height image, as a 24-bit bitmap of the same size.
void MakeColourImage(const Bitmap& source, Bitmap& colour, const PercentCallback& showPercent);

// The 8-bit relief image (identity grey palette) of an 8-bit height image; returns the counts
// of small code differences between land cells and their south-east neighbours.
CellCounts MakeReliefImage(const Bitmap& source, Bitmap& relief,
                           const PercentCallback& showPercent);

// The colour image brightened or darkened by the relief image of the same size.
void MakeCombinedImage(const Bitmap& colour, const Bitmap& relief, Bitmap& combined,
                       const PercentCallback& showPercent);

// The combined image of an 8-bit height image, byte for byte what the three passes give, and
// the counts MakeReliefImage returns.
CellCounts MakeShadedImage(const Bitmap& source, Bitmap& combined,
                           const PercentCallback& showPercent);

// MakeShadedImage while the height image is still arriving, so that shading runs on a second
// core beside the decoding: Publish(rows) whenever rows 0..rows-1 of the source hold their final
// codes (its size and format fixed from the first call on), then Finish() once all have come.
// Rows are shaded in bands as soon as the band and the row below it are there; after Finish the
// calling thread shades bands too. Destroyed without Finish (the source never came whole), it
// stops the shading and leaves the combined image part-made.
class ShadingAhead {
public:
    ShadingAhead(const Bitmap& source, Bitmap& combined);
    ~ShadingAhead();
    ShadingAhead(const ShadingAhead&) = delete;
    ShadingAhead& operator=(const ShadingAhead&) = delete;

    void Publish(int rows);
    // The counts MakeShadedImage returns, with the combined image made; a source that was never
    // published, or not 8-bit, goes through MakeShadedImage itself.
    CellCounts Finish(const PercentCallback& showPercent);

private:
    struct Tables;
    // Shades bands until none is left or the rows stop coming; false when they stopped.
    bool ShadeBands(CellCounts& counts, const std::function<void(int rowsDone)>& bandDone);

    const Bitmap& source_;
    Bitmap& combined_;
    std::unique_ptr<Tables> tables_;
    RowGate arrived_;        // the source's rows published so far
    bool started_ = false;   // the first rows came from an 8-bit source: shading runs
    bool declined_ = false;  // they did not: Finish leaves it to MakeShadedImage
    std::atomic<int> nextBand_{0};
    std::atomic<int> rowsShaded_{0};
    CellCounts helperCounts_;
    std::exception_ptr helperFailure_;
    std::jthread helper_;
};

// The combined image of a height image too large to hold, made a row at a time: Add each row of
// codes from the top; each row goes to rowDone, with its codes and relief (flat in the last row
// and column), once the row below it has come, the last one at Finish. Byte for byte what
// MakeShadedImage makes, with the same counts.
class RowByRowShading {
public:
    // codes and relief are one byte a cell, combined three (blue, green, red); valid only
    // during the call.
    using RowDone = std::function<void(int y, const std::uint8_t* codes, const std::uint8_t* relief,
                                       const std::uint8_t* combined)>;
    RowByRowShading(int width, int height, RowDone rowDone);
    ~RowByRowShading();
    RowByRowShading(const RowByRowShading&) = delete;
    RowByRowShading& operator=(const RowByRowShading&) = delete;

    // The next row's codes, width bytes.
    void Add(const std::uint8_t* codes);
    CellCounts Finish();

private:
    struct Tables;
    void ShadeHere(bool rowBelow);

    int width_;
    int height_;
    RowDone rowDone_;
    std::unique_ptr<Tables> tables_;
    std::vector<std::uint8_t> here_;
    std::vector<std::uint8_t> below_;
    std::vector<std::uint8_t> relief_;
    std::vector<std::uint8_t> difference_;
    std::vector<std::uint8_t> combined_;
    std::uint8_t referenceLevel_ = 0;
    int rowsIn_ = 0;
    int rowsOut_ = 0;
    CellCounts counts_;
};
