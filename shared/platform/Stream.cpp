#include "Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "Errors.h"

void Stream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EInOutError("Stream read error");
}

FileStream::FileStream(const std::string& fileName, Mode)
    : file_(fileName, {.message = ReadOnlyFile::OpenMessage::PathOnly}) {}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    const std::size_t got = file_.ReadAt(position_, buffer, count);
    position_ += got;
    return got;
}

void FileStream::Write(const void*, std::size_t) {
    throw EInOutError(FileErrorText("Cannot write file", file_.Path(), "opened for reading"));
}

std::size_t ReplacingFileStream::Read(void*, std::size_t) {
    throw EInOutError(FileErrorText("Cannot read file", file_.Path(), "opened for writing"));
}

void ReplacingFileStream::SetPosition(std::uint64_t position) {
    if (position != file_.BytesWritten())
        throw EInOutError(
            FileErrorText("Cannot position in file", file_.Path(), "written in order only"));
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
