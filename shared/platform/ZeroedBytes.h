#pragma once
// A byte buffer that starts as zeros without writing them: large buffers come from calloc, which
// takes fresh zero pages from the system, so the pages are cleared only when first written and
// by the thread that writes them. Clearing a 44 MB image up front was a fifth of a run.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "MallocBytes.h"

class ZeroedBytes : public MallocBytes {
public:
    ZeroedBytes() = default;
    explicit ZeroedBytes(std::size_t size)
        : MallocBytes(size == 0 ? nullptr : std::calloc(size, 1), size) {}
    ZeroedBytes(const ZeroedBytes& other) : ZeroedBytes(other.size()) {
        if (size() != 0) std::memcpy(data(), other.data(), size());
    }
    ZeroedBytes& operator=(const ZeroedBytes& other) {
        if (this != &other) *this = ZeroedBytes(other);
        return *this;
    }
    ZeroedBytes(ZeroedBytes&&) noexcept = default;
    ZeroedBytes& operator=(ZeroedBytes&&) noexcept = default;
};
