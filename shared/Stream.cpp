#include "Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "Errors.h"

void Stream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EInOutError("Stream read error");
}

FileStream::FileStream(const std::string& fileName, Mode mode) : fileName_(fileName) {
    if (mode == Mode::Read) {
        descriptor_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor_ < 0) throw EFOpenError("Cannot open file: " + fileName);
    } else {
        descriptor_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (descriptor_ < 0) throw EFOpenError("Cannot create file: " + fileName);
    }
}

FileStream::~FileStream() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

void FileStream::Adopt(int descriptor, std::string fileName) {
    descriptor_ = descriptor;
    fileName_ = std::move(fileName);
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    if (descriptor_ < 0) throw EInOutError("Stream read error");
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t got = ::read(descriptor_, bytes + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EInOutError("Stream read error");
        if (got == 0) break;
        done += std::size_t(got);
    }
    return done;
}

void FileStream::Write(const void* buffer, std::size_t count) {
    if (descriptor_ < 0) throw EInOutError("Stream write error");
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t put = ::write(descriptor_, bytes + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw EInOutError("Stream write error");
        done += std::size_t(put);
    }
}

std::uint64_t FileStream::Position() const {
    off_t at = descriptor_ < 0 ? -1 : ::lseek(descriptor_, 0, SEEK_CUR);
    if (at < 0) throw EInOutError("Stream position error");
    return std::uint64_t(at);
}

void FileStream::SetPosition(std::uint64_t position) {
    if (descriptor_ < 0 || position > std::uint64_t(std::numeric_limits<off_t>::max()) ||
        ::lseek(descriptor_, off_t(position), SEEK_SET) < 0)
        throw EInOutError("Stream position error");
}

std::uint64_t FileStream::Size() const {
    struct stat status {};
    if (descriptor_ < 0 || ::fstat(descriptor_, &status) != 0)
        throw EInOutError("Stream position error");
    return std::uint64_t(status.st_size);
}

void FileStream::Close() {
    if (descriptor_ < 0) return;
    int descriptor = descriptor_;
    descriptor_ = -1;
    bool synced = ::fsync(descriptor) == 0 || errno == EINVAL;  // EINVAL: not a disk file
    if (::close(descriptor) != 0 || !synced) throw EInOutError("Stream write error");
}

ReplacingFileStream::ReplacingFileStream(const std::string& fileName) {
    namespace fs = std::filesystem;
    // Through a link, replace what it points at rather than the link itself.
    std::error_code ignored;
    fs::path target = fileName;
    if (fs::is_symlink(target, ignored)) {
        fs::path resolved = fs::weakly_canonical(target, ignored);
        if (!ignored) target = resolved;
    }
    target_ = target.string();
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path partial = target;
        partial.replace_filename("." + target.filename().string() + "." +
                                 std::to_string(seed() % 1000000) + ".part");
        int descriptor = ::open(partial.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            Adopt(descriptor, partial.string());
            return;
        }
        if (errno != EEXIST) break;
    }
    throw EFOpenError("Cannot create file: " + fileName);
}

ReplacingFileStream::~ReplacingFileStream() {
    if (committed_) return;
    std::string partial = FileName();
    try {
        FileStream::Close();
    } catch (const EInOutError&) {
    }
    ::unlink(partial.c_str());
}

void ReplacingFileStream::Commit() {
    FileStream::Close();
    if (::rename(FileName().c_str(), target_.c_str()) != 0)
        throw EFOpenError("Cannot create file: " + target_);
    committed_ = true;
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    if (position_ >= data_.size()) return 0;
    std::size_t available = std::min(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, available);
    position_ += available;
    return available;
}

void MemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    if (position_ > std::numeric_limits<std::size_t>::max() - count)
        throw EInOutError("Stream write error");
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
}

void MemoryStream::SetPosition(std::uint64_t position) {
    if (position > std::numeric_limits<std::size_t>::max())
        throw EInOutError("Stream position error");
    position_ = std::size_t(position);
}

void MemoryStream::LoadFromFile(const std::string& fileName) {
    FileStream file(fileName, FileStream::Mode::Read);
    std::uint64_t size = file.Size();
    if (size > std::numeric_limits<std::size_t>::max()) throw EInOutError("Stream read error");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.ReadBuffer(bytes.data(), bytes.size());
    data_ = std::move(bytes);
    position_ = 0;
}

void MemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}
