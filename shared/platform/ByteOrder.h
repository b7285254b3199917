#pragma once
// Fixed-width integers in a given byte order, read from and written to raw byte buffers.
// The file formats are big-endian (shorelines, tiles, most grids) or little-endian (the
// cartography file, one grid layout), whatever the host is.
#include <cstddef>
#include <cstdint>
#include <string>

inline std::uint32_t LoadBigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
           std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
}

inline std::uint16_t LoadBigEndian16(const std::uint8_t* bytes) {
    return std::uint16_t(bytes[0] << 8 | bytes[1]);
}

inline std::uint16_t LoadLittleEndian16(const std::uint8_t* bytes) {
    return std::uint16_t(bytes[1] << 8 | bytes[0]);
}

// A signed 16-bit sample, as the height grids store them.
inline std::int16_t LoadBigEndianInt16(const std::uint8_t* bytes) {
    return std::int16_t(LoadBigEndian16(bytes));
}

inline std::int16_t LoadLittleEndianInt16(const std::uint8_t* bytes) {
    return std::int16_t(LoadLittleEndian16(bytes));
}

inline void StoreBigEndian32(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = std::uint8_t(value >> 24);
    bytes[1] = std::uint8_t(value >> 16);
    bytes[2] = std::uint8_t(value >> 8);
    bytes[3] = std::uint8_t(value);
}

inline void StoreBigEndian16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = std::uint8_t(value >> 8);
    bytes[1] = std::uint8_t(value);
}

inline void StoreLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = std::uint8_t(value);
    bytes[1] = std::uint8_t(value >> 8);
    bytes[2] = std::uint8_t(value >> 16);
    bytes[3] = std::uint8_t(value >> 24);
}

inline void StoreLittleEndian16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = std::uint8_t(value);
    bytes[1] = std::uint8_t(value >> 8);
}

// Appends to a growing byte string, for building whole records before writing them.
inline void AppendBigEndian32(std::string& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreBigEndian32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

inline void AppendBigEndian16(std::string& out, std::uint16_t value) {
    std::uint8_t bytes[2];
    StoreBigEndian16(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

inline void AppendLittleEndian32(std::string& out, std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreLittleEndian32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

inline void AppendLittleEndian16(std::string& out, std::uint16_t value) {
    std::uint8_t bytes[2];
    StoreLittleEndian16(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 2);
}
