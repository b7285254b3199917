#pragma once
// Bytes from the C allocator, given back with free: for buffers allocated in ways the standard
// containers cannot ask for (ZeroedBytes' fresh zero pages, AlignedBytes' alignment).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

class MallocBytes {
public:
    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }

protected:
    MallocBytes() = default;
    // Takes bytes, which the allocator gave for size; none given for a size above 0 is a failure.
    MallocBytes(void* bytes, std::size_t size)
        : bytes_(static_cast<std::uint8_t*>(bytes)), size_(size) {
        if (size != 0 && !bytes_) throw std::bad_alloc();
    }
    MallocBytes(MallocBytes&& other) noexcept
        : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}
    MallocBytes& operator=(MallocBytes&& other) noexcept {
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }

private:
    struct Free {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<std::uint8_t, Free> bytes_;
    std::size_t size_ = 0;
};
