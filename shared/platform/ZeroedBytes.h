#pragma once
// A byte buffer that starts as zeros without writing them: large buffers come from calloc, which
// takes fresh zero pages from the system, so the pages are cleared only when first written and
// by the thread that writes them. Clearing a 44 MB image up front was a fifth of a run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

class ZeroedBytes {
public:
    ZeroedBytes() = default;
    explicit ZeroedBytes(std::size_t size) : size_(size) {
        if (size == 0) return;
        bytes_.reset(static_cast<std::uint8_t*>(std::calloc(size, 1)));
        if (!bytes_) throw std::bad_alloc();
    }
    ZeroedBytes(const ZeroedBytes& other) : ZeroedBytes(other.size_) {
        if (size_ != 0) std::memcpy(bytes_.get(), other.bytes_.get(), size_);
    }
    ZeroedBytes& operator=(const ZeroedBytes& other) {
        if (this != &other) *this = ZeroedBytes(other);
        return *this;
    }
    ZeroedBytes(ZeroedBytes&& other) noexcept
        : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}
    ZeroedBytes& operator=(ZeroedBytes&& other) noexcept {
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
        return *this;
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
