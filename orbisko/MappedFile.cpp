#include "MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"

MappedFile::MappedFile(const std::string& path) : path_(path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw EFOpenError("Cannot open file: " + path);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        throw EFOpenError("Cannot open file: " + path);
    }
    size_ = std::size_t(info.st_size);
    if (size_ > 0) {
        void* address = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (address == MAP_FAILED) {
            ::close(fd);
            throw EFOpenError("Cannot open file: " + path);
        }
        data_ = static_cast<const std::uint8_t*>(address);
    }
    ::close(fd);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : path_(std::move(other.path_)), data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

MappedFile::~MappedFile() {
    if (data_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
}
