#pragma once
// Files of any length whose zeros cost no disk, with 16-bit samples put where a test wants them:
// the height grids and tiles the programs map.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

enum class ByteOrder { BigEndian, LittleEndian };

// Creates or replaces the file with bytes zeros.
inline void MakeSparseFile(const std::string& path, std::uint64_t bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc);
    std::filesystem::resize_file(path, bytes);
}

inline void WriteAt(const std::string& path, std::uint64_t offset,
                    const std::vector<std::uint8_t>& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(std::streamoff(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

// The sample at index, that is at byte 2 * index.
inline void PutSample(const std::string& path, std::uint64_t index, std::int16_t value,
                      ByteOrder order = ByteOrder::BigEndian) {
    const auto raw = std::uint16_t(value);
    const auto high = std::uint8_t(raw >> 8), low = std::uint8_t(raw & 0xFF);
    WriteAt(path, 2 * index,
            order == ByteOrder::BigEndian ? std::vector<std::uint8_t>{high, low}
                                          : std::vector<std::uint8_t>{low, high});
}
