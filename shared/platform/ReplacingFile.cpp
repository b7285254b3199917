#include "ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <utility>

#include "Errors.h"

namespace {

// Scratch files are rewritten for every fuzz input: a buffer this small comes from the
// allocator's cache, where the default one would be mapped and unmapped each time.
constexpr std::size_t kScratchBufferBytes = 16 << 10;

std::filesystem::path ResolvedTarget(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (!fs::is_symlink(path, ignored)) return path;
    fs::path resolved = fs::weakly_canonical(path, ignored);
    return ignored ? fs::path(path) : resolved;
}

// When this run first wrote a file: temporaries older than that are not its own.
std::filesystem::file_time_type RunStart() {
    static const std::filesystem::file_time_type start =
        std::filesystem::file_time_type::clock::now();
    return start;
}

// ".<name>.<up to six digits>.part", as OpenTemporary names them.
bool IsTemporaryOf(const std::string& entry, const std::string& targetName) {
    const std::size_t prefix = targetName.size() + 2;
    if (entry.size() < prefix + 6 || entry[0] != '.' ||
        entry.compare(1, targetName.size(), targetName) != 0 || entry[prefix - 1] != '.' ||
        !entry.ends_with(".part"))
        return false;
    const std::size_t digits = entry.size() - prefix - 5;
    if (digits < 1 || digits > 6) return false;
    for (std::size_t i = prefix; i < prefix + digits; ++i)
        if (entry[i] < '0' || entry[i] > '9') return false;
    return true;
}

// What a run killed while writing the same file left behind. Best effort: a temporary that
// cannot be removed is only untidy.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    const std::string targetName = target.filename().string();
    std::error_code error;
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!IsTemporaryOf(name, targetName)) continue;
        std::error_code ignored;
        if (!fs::is_regular_file(fs::symlink_status(entry->path(), ignored))) continue;
        const fs::file_time_type written = fs::last_write_time(entry->path(), ignored);
        if (!ignored && written < RunStart()) ::unlink(entry->path().c_str());
    }
}

}  // namespace

ReplacingFile::ReplacingFile(const std::string& path, std::size_t bufferBytes,
                             Durability durability)
    : path_(path),
      durability_(durability),
      bufferSize_(std::max<std::size_t>(durability == Durability::Scratch
                                            ? std::min(bufferBytes, kScratchBufferBytes)
                                            : bufferBytes,
                                        1)) {
    if (durability_ == Durability::Scratch) {
        // Rewritten in place, so a symbolic link is followed by the system as it is.
        target_ = path;
        descriptor_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (descriptor_ < 0)
            throw EFOpenError(FileErrorText("Cannot create file", path_, SystemReason(errno)));
        return;
    }
    const std::filesystem::path target = ResolvedTarget(path);
    target_ = target.string();
    OpenTemporary(target.filename().string());
}

void ReplacingFile::OpenTemporary(const std::string& targetName) {
    RunStart();
    RemoveStaleTemporaries(target_);
    // Hidden, so that readers of the folder never take it for a finished file.
    std::random_device seed;
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".";
        name += targetName;
        name += '.';
        name += std::to_string(seed() % 1000000);
        name += ".part";
        std::filesystem::path temporary = target_;
        temporary.replace_filename(name);
        temporary_ = temporary.string();
        // Mode 0666 lets the umask decide, as for any newly created file.
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) return;
        error = errno;
        if (error != EEXIST) break;
    }
    temporary_.clear();
    throw EFOpenError(FileErrorText("Cannot create file", path_, SystemReason(error)));
}

ReplacingFile::~ReplacingFile() {
    if (!committed_) Discard();
}

void ReplacingFile::Discard() noexcept {
    CloseDirect();
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

void ReplacingFile::Fail(int error) {
    Discard();
    throw EInOutError(FileErrorText("Cannot write file", path_, SystemReason(error)));
}

void ReplacingFile::Flush() {
    const std::size_t count = std::exchange(buffered_, 0);
    PutAll(buffer_.get(), count, std::nullopt);
    flushed_ += count;
    StartWriteback();
}

void ReplacingFile::PutAll(const char* bytes, std::size_t count,
                           std::optional<std::uint64_t> offset) {
    while (count > 0) {
        const ssize_t put = offset ? ::pwrite(descriptor_, bytes, count, off_t(*offset))
                                   : ::write(descriptor_, bytes, count);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) Fail(errno);
        if (put == 0) Fail(ENOSPC);
        bytes += put;
        count -= std::size_t(put);
        if (offset) *offset += std::uint64_t(put);
    }
}

// The disk starts on what is written while the rest is still coming, so that Commit's flush
// waits for the last part only. A hint: where it is refused, Commit flushes it all as before.
void ReplacingFile::StartWriteback() {
    constexpr std::uint64_t kWritebackStep = 4 << 20;
    if (durability_ == Durability::Scratch) return;
    if (flushed_ - writebackStarted_ < kWritebackStep) return;
    ::sync_file_range(descriptor_, off_t(writebackStarted_), off_t(flushed_ - writebackStarted_),
                      SYNC_FILE_RANGE_WRITE);
    writebackStarted_ = flushed_;
}

void ReplacingFile::Write(const void* data, std::size_t count) {
    if (descriptor_ < 0) throw EInOutError(FileErrorText("Cannot write file", path_, "closed"));
    // Made here, not by the constructor: files of holes and placed writes need none.
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(bufferSize_);
    const char* bytes = static_cast<const char*>(data);
    written_ += count;
    while (count > 0) {
        const std::size_t take = std::min(count, bufferSize_ - buffered_);
        std::memcpy(buffer_.get() + buffered_, bytes, take);
        buffered_ += take;
        bytes += take;
        count -= take;
        if (buffered_ == bufferSize_) Flush();
    }
}

void ReplacingFile::ExtendTo(std::uint64_t length) {
    if (descriptor_ < 0) throw EInOutError(FileErrorText("Cannot write file", path_, "closed"));
    if (length <= written_) return;
    Flush();
    if (length > std::uint64_t(std::numeric_limits<off_t>::max())) Fail(EFBIG);
    if (::ftruncate(descriptor_, off_t(length)) != 0) Fail(errno);
    if (::lseek(descriptor_, off_t(length), SEEK_SET) < 0) Fail(errno);
    written_ = length;
    flushed_ = length;
}

void ReplacingFile::WriteAt(std::uint64_t offset, const void* data, std::size_t count) {
    if (descriptor_ < 0) throw EInOutError(FileErrorText("Cannot write file", path_, "closed"));
    if (offset > written_ || count > written_ - offset) Fail(EINVAL);
    Flush();
    const char* bytes = static_cast<const char*>(data);
    if (durability_ == Durability::Synced && PutDirect(bytes, count, offset)) return;
    PutAll(bytes, count, offset);
    // Pieces written in place are large and final: the disk starts on each at once, as on the
    // sequential writes, or Commit's flush would wait for the whole file.
    if (durability_ == Durability::Synced)
        ::sync_file_range(descriptor_, off_t(offset), off_t(count), SYNC_FILE_RANGE_WRITE);
}

// Placed pieces are the bands of images of gigabytes, which nothing reads back soon. Through the
// cache, the system's copying and later writeback of a 2.8 GB file cost more than making it,
// and Commit's flush waited seconds for the rest; written directly, only the flush of the file's
// records is left. The parts of blocks at a piece's ends go through the cache, which merges
// them with the neighbouring pieces' parts of the same blocks.
bool ReplacingFile::PutDirect(const char* bytes, std::size_t count, std::uint64_t offset) {
    constexpr std::uint64_t block = kBlockBytes;
    const std::uint64_t first = (offset + block - 1) / block * block;
    const std::uint64_t last = (offset + count) / block * block;
    const char* middle = bytes + (first - offset);
    // The system takes memory placed in its blocks as the file is, nothing else.
    if (last <= first || reinterpret_cast<std::uintptr_t>(middle) % block != 0 || !OpenDirect())
        return false;
    PutAll(bytes, std::size_t(first - offset), offset);
    PutAll(bytes + (last - offset), std::size_t(offset + count - last), last);
    for (std::uint64_t at = first; at < last;) {
        const ssize_t put =
            ::pwrite(directDescriptor_, middle + (at - first), std::size_t(last - at), off_t(at));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno == EINVAL) {
            // Alignment this file system does not take: the rest through the cache.
            CloseDirect();
            directRefused_ = true;
            PutAll(middle + (at - first), std::size_t(last - at), at);
            return true;
        }
        if (put < 0) Fail(errno);
        if (put == 0) Fail(ENOSPC);
        at += std::uint64_t(put);
    }
    return true;
}

bool ReplacingFile::OpenDirect() {
    if (directDescriptor_ >= 0) return true;
    if (directRefused_ || temporary_.empty()) return false;
    directDescriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_DIRECT | O_CLOEXEC);
    directRefused_ = directDescriptor_ < 0;
    return !directRefused_;
}

void ReplacingFile::CloseDirect() noexcept {
    if (directDescriptor_ >= 0) ::close(directDescriptor_);
    directDescriptor_ = -1;
}

void ReplacingFile::Seal() {
    if (sealed_) return;
    if (descriptor_ < 0) throw EInOutError(FileErrorText("Cannot write file", path_, "closed"));
    Flush();
    CloseDirect();
    // EINVAL: a file system that cannot sync; the data is as safe as it will get.
    if (durability_ == Durability::Synced && ::fsync(descriptor_) != 0 && errno != EINVAL)
        Fail(errno);
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (::close(descriptor) != 0) Fail(errno);
    buffer_.reset();
    sealed_ = true;
}

std::string ReplacingFile::ReleaseTemporary() {
    if (!sealed_) throw EInOutError(FileErrorText("Cannot write file", path_, "not finished"));
    committed_ = true;
    return std::exchange(temporary_, {});
}

void ReplacingFile::Commit() {
    Seal();
    if (committed_) throw EInOutError(FileErrorText("Cannot write file", path_, "closed"));
    if (!temporary_.empty() && ::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(errno);
    committed_ = true;
}

void RemoveFileIfPresent(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return;
    const int error = errno;
    if (error != ENOENT)
        throw EInOutError(FileErrorText("Cannot delete file", path, SystemReason(error)));
}
