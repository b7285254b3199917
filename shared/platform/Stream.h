#pragma once
// Byte streams: a file read from disk, a block in memory, and a file that only replaces its
// target once it is complete.
//
// ReadBuffer and WriteBuffer move exact counts and throw EInOutError ("Stream read error",
// "Stream write error") when the stream has fewer bytes or refuses them, so a caller never works
// on a partly filled buffer. Positions and sizes are in bytes from the start.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ReadOnlyFile.h"
#include "ReplacingFile.h"

class Stream {
public:
    virtual ~Stream() = default;
    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Up to count bytes; fewer only at the end of the stream.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // All count bytes, or an EInOutError.
    virtual void Write(const void* buffer, std::size_t count) = 0;
    virtual std::uint64_t Position() const = 0;
    virtual void SetPosition(std::uint64_t position) = 0;
    virtual std::uint64_t Size() const = 0;

    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count) { Write(buffer, count); }
};

// A file read from the start through the platform's read-only file.
class FileStream : public Stream {
public:
    enum class Mode { Read };
    // Throws EFOpenError "Cannot open file: <name>".
    FileStream(const std::string& fileName, Mode mode);

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::uint64_t Position() const override { return position_; }
    void SetPosition(std::uint64_t position) override { position_ = position; }
    std::uint64_t Size() const override { return file_.Size(); }

private:
    ReadOnlyFile file_;
    std::uint64_t position_ = 0;
};

// Writes from the start into a ReplacingFile: the target is replaced whole on Commit, or left
// as it was. Errors name the file and the system's reason.
class ReplacingFileStream : public Stream {
public:
    explicit ReplacingFileStream(const std::string& fileName) : file_(fileName) {}
    void Commit() { file_.Commit(); }

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override { file_.Write(buffer, count); }
    std::uint64_t Position() const override { return file_.BytesWritten(); }
    // Only where it is: the file is written in order.
    void SetPosition(std::uint64_t position) override;
    std::uint64_t Size() const override { return file_.BytesWritten(); }

private:
    ReplacingFile file_;
};

class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::uint64_t Position() const override { return position_; }
    void SetPosition(std::uint64_t position) override;
    std::uint64_t Size() const override { return data_.size(); }

    // Replaces the contents with the whole file and moves to its start.
    void LoadFromFile(const std::string& fileName);
    void Clear();
    const std::vector<std::uint8_t>& Data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::size_t position_ = 0;
};
