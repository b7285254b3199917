#include "MappedFile.h"

#include <sys/mman.h>

#include <limits>
#include <utility>

#include "Errors.h"
#include "ReadOnlyFile.h"

MappedFile::MappedFile(const std::string& path) : path_(path) {
    // Only regular files: a folder or a device would map nothing sensible. The descriptor is
    // not needed once the mapping is made.
    const ReadOnlyFile file(path, {.message = ReadOnlyFile::OpenMessage::PathOnly});
    if (file.Size() > std::numeric_limits<std::size_t>::max())
        throw EFOpenError("Cannot open file: " + path);
    size_ = std::size_t(file.Size());
    if (size_ == 0) return;
    void* view = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, file.Descriptor(), 0);
    if (view == MAP_FAILED) {
        size_ = 0;
        throw EFOpenError("Cannot open file: " + path);
    }
    ::madvise(view, size_, MADV_SEQUENTIAL);
    data_ = static_cast<const std::uint8_t*>(view);
}

MappedFile::~MappedFile() { Release(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : path_(std::move(other.path_)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void MappedFile::Release() noexcept {
    if (data_ != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
        data_ = nullptr;
    }
    size_ = 0;
}
