#pragma once
// Inputs for the height-image builder's tests: a full-size GTOPO30 tile set made of sparse files
// (zeros cost no disk) with chosen samples, and shoreline files written record by record.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace terrafold_test {

inline const std::vector<std::string> kBandPrefixes = {"W180", "W140", "W100", "W060", "W020",
                                                       "E020", "E060", "E100", "E140"};
inline const std::vector<std::string> kPolarPrefixes = {"W180", "W120", "W060",
                                                        "W000", "E060", "E120"};

class SparseTileSet {
public:
    // Creates all 33 tiles at their full length in folder (which ends in "/"), except skip.
    explicit SparseTileSet(std::string folder, const std::string& skip = "")
        : folder_(std::move(folder)) {
        for (const auto& prefix : kBandPrefixes)
            for (const char* band : {"N90", "N40", "S10"}) Create(prefix + band + ".dem", skip);
        for (const auto& prefix : kPolarPrefixes) Create(prefix + "S60.dem", skip);
    }

    const std::string& Folder() const { return folder_; }

    // Stores a height at a global cell, in the tile that holds it.
    void PutCell(int column, int row, std::int16_t height) const {
        const int band = row / 6000;
        const int tileColumns = band == 3 ? 7200 : 4800;
        const std::string& prefix =
            band == 3 ? kPolarPrefixes[column / 7200] : kBandPrefixes[column / 4800];
        const char* suffix[] = {"N90.dem", "N40.dem", "S10.dem", "S60.dem"};
        const unsigned char bytes[2] = {static_cast<unsigned char>(std::uint16_t(height) >> 8),
                                        static_cast<unsigned char>(height & 0xFF)};
        const off_t offset = off_t(2) * (off_t(row % 6000) * tileColumns + column % tileColumns);
        const std::string path = folder_ + prefix + suffix[band];
        int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0) << path;
        ASSERT_EQ(::pwrite(fd, bytes, 2, offset), 2);
        ::close(fd);
    }

private:
    void Create(const std::string& name, const std::string& skip) {
        if (name == skip) return;
        const off_t bytes = name.find("S60") != std::string::npos ? 51'840'000 : 57'600'000;
        int fd = ::open((folder_ + name).c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, bytes), 0);
        ::close(fd);
    }

    std::string folder_;
};

// A GSHHS file: big-endian records back to back.
struct ShorelineFile {
    ShorelineFile& Polygon(std::int32_t numPoints, std::int32_t level, std::uint32_t area) {
        for (std::int32_t field : {0, numPoints, level, 0, 0, 0, 0}) Put(std::uint32_t(field));
        Put(area);
        Put(0);
        return *this;
    }
    // A closed-by-itself outline given in degrees as whole micro-degrees.
    ShorelineFile& Point(std::int32_t lonMicroDeg, std::int32_t latMicroDeg) {
        Put(std::uint32_t(lonMicroDeg));
        Put(std::uint32_t(latMicroDeg));
        return *this;
    }
    // A lake over the pixel rectangle [left, right) x [top, bottom) of the 5400 x 2700 raster
    // (15 pixels a degree; corners at exact pixel positions).
    ShorelineFile& PixelRectangle(std::int32_t level, std::uint32_t area, int left, int top,
                                  int right, int bottom) {
        Polygon(4, level, area);
        auto lon = [](int x) {
            return std::int32_t((std::int64_t(x) * 1'000'000) / 15 - 180'000'000);
        };
        auto lat = [](int y) {
            return std::int32_t(90'000'000 - (std::int64_t(y) * 1'000'000) / 15);
        };
        return Point(lon(left), lat(top))
            .Point(lon(right), lat(top))
            .Point(lon(right), lat(bottom))
            .Point(lon(left), lat(bottom));
    }
    void Put(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back((value >> shift) & 0xFF);
    }
    void WriteTo(const std::string& path, std::size_t keepBytes = SIZE_MAX) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  std::streamsize(std::min(keepBytes, bytes.size())));
    }
    std::vector<unsigned char> bytes;
};

// The chunks of a PNG file in order: type and data.
struct PngChunk {
    std::string type;
    std::vector<unsigned char> data;
};

inline std::vector<PngChunk> ReadPngChunks(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), {});
    std::vector<PngChunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= file.size()) {
        const std::size_t length = (std::size_t(file[at]) << 24) |
                                   (std::size_t(file[at + 1]) << 16) |
                                   (std::size_t(file[at + 2]) << 8) | file[at + 3];
        if (at + 12 + length > file.size()) break;
        PngChunk chunk;
        chunk.type.assign(reinterpret_cast<const char*>(&file[at + 4]), 4);
        chunk.data.assign(file.begin() + std::ptrdiff_t(at + 8),
                          file.begin() + std::ptrdiff_t(at + 8 + length));
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return chunks;
}

}  // namespace terrafold_test
