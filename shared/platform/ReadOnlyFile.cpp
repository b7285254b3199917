#include "ReadOnlyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

#include "Errors.h"

namespace {

// Why an opened file cannot be read as asked; empty when it can.
std::string Refusal(int descriptor, struct stat& status, ReadOnlyFile::Accept accept) {
    if (::fstat(descriptor, &status) != 0) return SystemReason(errno);
    if (S_ISDIR(status.st_mode)) return SystemReason(EISDIR);
    if (!S_ISREG(status.st_mode) && accept == ReadOnlyFile::Accept::RegularFiles)
        return "not a regular file";
    return {};
}

}  // namespace

ReadOnlyFile::ReadOnlyFile(const std::string& path, const Options& options) : path_(path) {
    const int flags = O_RDONLY | O_CLOEXEC | (options.nonBlocking ? O_NONBLOCK : 0);
    descriptor_ = ::open(path.c_str(), flags);
    struct stat status {};
    const std::string refusal =
        descriptor_ < 0 ? SystemReason(errno) : Refusal(descriptor_, status, options.accept);
    if (!refusal.empty()) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = -1;
        if (options.message == OpenMessage::PathOnly)
            throw EFOpenError("Cannot open file: " + path);
        throw EFOpenError(FileErrorText("Cannot open file", path, refusal));
    }
    size_ = S_ISREG(status.st_mode) ? std::uint64_t(status.st_size) : 0;
}

ReadOnlyFile::~ReadOnlyFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : path_(std::move(other.path_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      size_(std::exchange(other.size_, 0)) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        path_ = std::move(other.path_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (offset + done > std::uint64_t(std::numeric_limits<off_t>::max())) break;
        const ssize_t got = ::pread(descriptor_, bytes + done, count - done, off_t(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0)
            throw EInOutError(FileErrorText("Cannot read file", path_, SystemReason(errno)));
        if (got == 0) break;
        done += std::size_t(got);
    }
    return done;
}

bool ReadOnlyFile::ReadExactAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    return ReadAt(offset, buffer, count) == count;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    ReadOnlyFile file(path);
    if (file.Size() > std::numeric_limits<std::size_t>::max())
        throw EInOutError(FileErrorText("Cannot read file", path, SystemReason(EFBIG)));
    std::vector<std::uint8_t> bytes(std::size_t(file.Size()));
    // A file that shrank since opening yields what is left.
    bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
    return bytes;
}
