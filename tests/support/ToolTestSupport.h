#pragma once
// Building and reading the big- and little-endian records of the tools' file formats, and
// running the tools themselves, in tests.
#include <cstdint>
#include <string>
#include <vector>

#include "RunCommand.h"

using Bytes = std::vector<unsigned char>;

inline void PutBig32(Bytes& out, std::int64_t value) {
    auto v = static_cast<std::uint32_t>(value);
    out.insert(out.end(), {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                           static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
}

inline std::int32_t GetBig32(const Bytes& in, std::size_t at) {
    return static_cast<std::int32_t>(std::uint32_t(in[at]) << 24 | std::uint32_t(in[at + 1]) << 16 |
                                     std::uint32_t(in[at + 2]) << 8 | std::uint32_t(in[at + 3]));
}

inline std::int16_t GetBig16(const Bytes& in, std::size_t at) {
    return static_cast<std::int16_t>(in[at] << 8 | in[at + 1]);
}

inline std::int16_t GetLittle16(const Bytes& in, std::size_t at) {
    return static_cast<std::int16_t>(in[at + 1] << 8 | in[at]);
}

inline std::int32_t GetLittle32(const Bytes& in, std::size_t at) {
    return static_cast<std::int32_t>(std::uint32_t(in[at + 3]) << 24 |
                                     std::uint32_t(in[at + 2]) << 16 |
                                     std::uint32_t(in[at + 1]) << 8 | std::uint32_t(in[at]));
}

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline std::string ToolPath(const std::string& name) {
    return std::string(VARNHOLT_BIN_DIR) + "/" + name;
}
