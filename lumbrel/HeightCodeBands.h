#pragma once
// The height codes of an image too large to hold whole (43200 x 21600 codes are 933 MB), kept
// deflated a band of rows at a time, so that the window can still read the code of any pixel of
// the full image while it shows a reduced copy. Rows are added in order, top first. The band
// read last stays inflated, so a pointer moving about one place inflates nothing more.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class HeightCodeBands {
public:
    HeightCodeBands() = default;
    explicit HeightCodeBands(int width);

    // The next row: width codes.
    void AddRow(const std::uint8_t* codes);
    int Width() const { return width_; }
    int Height() const { return rows_; }
    // The code of a pixel of the rows added; none outside them.
    std::optional<std::uint8_t> Code(int column, int row);
    std::size_t PackedBytes() const;

    static constexpr int kRowsPerBand = 16;

private:
    void PackBand();
    // The band's differences inflated into inflated_, unless they are there already.
    bool Inflate(int band);

    int width_ = 0;
    int rows_ = 0;
    std::vector<std::vector<std::uint8_t>> packed_;
    std::vector<std::uint8_t> filling_;  // the rows of the band not yet packed
    int inflatedBand_ = -1;
    std::vector<std::uint8_t> inflated_;
};
