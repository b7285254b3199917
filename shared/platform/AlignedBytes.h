#pragma once
// Bytes starting on a boundary of the given alignment (a power of two), for the system's direct
// writes, which take memory placed as the file is. Not cleared: every byte is written first.
#include <cstddef>
#include <cstdlib>

#include "MallocBytes.h"

class AlignedBytes : public MallocBytes {
public:
    AlignedBytes() = default;
    AlignedBytes(std::size_t size, std::size_t alignment)
        : MallocBytes(size == 0 ? nullptr : std::aligned_alloc(alignment, Whole(size, alignment)),
                      size) {}

private:
    // aligned_alloc wants a whole number of alignments.
    static std::size_t Whole(std::size_t size, std::size_t alignment) {
        return (size + alignment - 1) & ~(alignment - 1);
    }
};
