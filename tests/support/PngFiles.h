#pragma once
// Builds PNG files chunk by chunk and takes written ones apart again, independently of the
// codec, so tests can craft unusual files and check what the codec wrote.
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace pngfiles {

using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    std::string type;
    Bytes data;
    bool operator==(const Chunk&) const = default;
};

inline const Bytes Signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

inline void PutU32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}
inline void PutU16(Bytes& out, std::uint16_t value) {
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

inline std::uint32_t ChunkCrc(const std::string& type, const Bytes& data) {
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), uInt(type.size()));
    // zlib treats a null buffer as a request for the initial value.
    if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));
    return std::uint32_t(crc);
}

inline Bytes MakePng(const std::vector<Chunk>& chunks) {
    Bytes file = Signature;
    for (const Chunk& chunk : chunks) {
        PutU32(file, std::uint32_t(chunk.data.size()));
        file.insert(file.end(), chunk.type.begin(), chunk.type.end());
        file.insert(file.end(), chunk.data.begin(), chunk.data.end());
        PutU32(file, ChunkCrc(chunk.type, chunk.data));
    }
    return file;
}

// Throws std::runtime_error when the bytes are not a sequence of whole chunks with good CRCs.
inline std::vector<Chunk> ReadChunks(const Bytes& file) {
    if (file.size() < 8 || !std::equal(Signature.begin(), Signature.end(), file.begin()))
        throw std::runtime_error("no PNG signature");
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at < file.size()) {
        if (file.size() - at < 12) throw std::runtime_error("truncated chunk");
        std::uint32_t length = GetU32(&file[at]);
        if (file.size() - at - 12 < length) throw std::runtime_error("truncated chunk data");
        Chunk chunk{std::string(file.begin() + long(at) + 4, file.begin() + long(at) + 8),
                    Bytes(file.begin() + long(at) + 8, file.begin() + long(at) + 8 + length)};
        if (GetU32(&file[at + 8 + length]) != ChunkCrc(chunk.type, chunk.data))
            throw std::runtime_error("bad CRC in " + chunk.type);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return chunks;
}

inline std::vector<std::string> ChunkTypes(const std::vector<Chunk>& chunks) {
    std::vector<std::string> types;
    for (const Chunk& chunk : chunks) types.push_back(chunk.type);
    return types;
}

inline Chunk Ihdr(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                  int interlace = 0) {
    Chunk chunk{"IHDR", {}};
    PutU32(chunk.data, width);
    PutU32(chunk.data, height);
    chunk.data.push_back(std::uint8_t(bitDepth));
    chunk.data.push_back(std::uint8_t(colourType));
    chunk.data.push_back(0);
    chunk.data.push_back(0);
    chunk.data.push_back(std::uint8_t(interlace));
    return chunk;
}

// Rows given without filter bytes; each gets filter None.
inline Chunk Idat(const std::vector<Bytes>& rows) {
    Bytes raw;
    for (const Bytes& row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(uLong(raw.size()));
    Bytes packed(size);
    if (compress(packed.data(), &size, raw.data(), uLong(raw.size())) != Z_OK)
        throw std::runtime_error("compress failed");
    packed.resize(size);
    return {"IDAT", packed};
}

// The filtered rows (filter byte first) of all IDAT chunks.
inline Bytes InflateIdat(const std::vector<Chunk>& chunks, std::size_t expectedSize) {
    Bytes packed;
    for (const Chunk& chunk : chunks)
        if (chunk.type == "IDAT") packed.insert(packed.end(), chunk.data.begin(), chunk.data.end());
    Bytes raw(expectedSize);
    uLongf size = uLongf(raw.size());
    if (uncompress(raw.data(), &size, packed.data(), uLong(packed.size())) != Z_OK)
        throw std::runtime_error("IDAT does not inflate");
    raw.resize(size);
    return raw;
}

inline Chunk Text(const std::string& key, const std::string& text) {
    Chunk chunk{"tEXt", Bytes(key.begin(), key.end())};
    chunk.data.push_back(0);
    chunk.data.insert(chunk.data.end(), text.begin(), text.end());
    return chunk;
}

inline Chunk Time(int year, int month, int day, int hour, int minute, int second) {
    Chunk chunk{"tIME", {}};
    PutU16(chunk.data, std::uint16_t(year));
    for (int part : {month, day, hour, minute, second}) chunk.data.push_back(std::uint8_t(part));
    return chunk;
}

inline Chunk Iend() { return {"IEND", {}}; }

inline Bytes ReadFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + fileName);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<Chunk> FileChunks(const std::string& fileName) {
    return ReadChunks(ReadFile(fileName));
}

}  // namespace pngfiles
