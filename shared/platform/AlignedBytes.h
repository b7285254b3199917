#pragma once
// Bytes starting on a boundary of the given alignment (a power of two), for the system's direct
// writes, which take memory placed as the file is. Not cleared: every byte is written first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

class AlignedBytes {
public:
    AlignedBytes() = default;
    AlignedBytes(std::size_t size, std::size_t alignment) : size_(size) {
        if (size == 0) return;
        // aligned_alloc wants a whole number of alignments.
        const std::size_t rounded = (size + alignment - 1) & ~(alignment - 1);
        bytes_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(alignment, rounded)));
        if (!bytes_) throw std::bad_alloc();
    }

    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }

private:
    struct Free {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<std::uint8_t, Free> bytes_;
    std::size_t size_ = 0;
};
