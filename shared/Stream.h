#pragma once
// Byte streams: a file on disk, a block in memory, and a file that only replaces its target once
// it is complete.
//
// ReadBuffer and WriteBuffer move exact counts and throw EInOutError ("Stream read error",
// "Stream write error") when the stream has fewer bytes or refuses them, so a caller never works
// on a partly filled buffer. Positions and sizes are in bytes from the start.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

class FileStream : public Stream {
public:
    enum class Mode { Read, Create };
    // Read opens an existing file ("Cannot open file: <name>"); Create makes or empties it
    // ("Cannot create file: <name>"), both as EFOpenError.
    FileStream(const std::string& fileName, Mode mode);
    ~FileStream() override;

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::uint64_t Position() const override;
    void SetPosition(std::uint64_t position) override;
    std::uint64_t Size() const override;

    // Flushes to the disk and closes, reporting what the system refused on the way.
    void Close();
    const std::string& FileName() const { return fileName_; }

protected:
    FileStream() = default;
    void Adopt(int descriptor, std::string fileName);

private:
    int descriptor_ = -1;
    std::string fileName_;
};

// Writes into a new file beside the target and renames it over the target on Commit, so the
// target is either left as it was or replaced whole. Destroyed without Commit, it removes the
// partial file.
class ReplacingFileStream : public FileStream {
public:
    explicit ReplacingFileStream(const std::string& fileName);
    ~ReplacingFileStream() override;
    void Commit();

private:
    std::string target_;
    bool committed_ = false;
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
