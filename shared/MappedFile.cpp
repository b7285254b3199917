#include "MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "Errors.h"

namespace {

// Closes the descriptor on every exit path; the mapping does not need it once made.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

MappedFile::MappedFile(const std::string& path) : path_(path) {
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat status {};
    // Only regular files: a folder or a device would map nothing sensible.
    if (file.fd < 0 || ::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        throw EFOpenError("Cannot open file: " + path);
    }
    size_ = std::size_t(status.st_size);
    if (size_ == 0) return;
    void* view = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (view == MAP_FAILED) {
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
