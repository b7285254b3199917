#pragma once
// The platform's read-only file: open, size, and exact positioned reads, each retried when a
// signal interrupts it. Together with ReplacingFile the only code that asks the system for
// files. Errors name the file and the system's reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ReadOnlyFile {
public:
    enum class Accept { RegularFiles, AnythingButFolders };
    // Older messages that the programs show without a reason ("Cannot open file: <path>").
    enum class OpenMessage { WithReason, PathOnly };
    struct Options {
        Accept accept = Accept::RegularFiles;
        // For files that may be named pipes: without a writer, a blocking open never returns.
        bool nonBlocking = false;
        OpenMessage message = OpenMessage::WithReason;
    };

    // Throws EFOpenError "Cannot open file: <path>: <reason>" (or without the reason, as asked).
    explicit ReadOnlyFile(const std::string& path) : ReadOnlyFile(path, Options{}) {}
    ReadOnlyFile(const std::string& path, const Options& options);
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // The length at opening; devices and pipes count as empty, so /dev/zero cannot go on for ever.
    std::uint64_t Size() const { return size_; }
    const std::string& Path() const { return path_; }

    // All count bytes from offset, or false when the file ends first (it may have shrunk since
    // opening). Throws EInOutError "Cannot read file: <path>: <reason>" when the system fails.
    bool ReadExactAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Up to count bytes from offset; fewer only where the file ends.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;

    // For the memory mapping of the same layer only.
    int Descriptor() const { return descriptor_; }

private:
    std::string path_;
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
};

// The whole file as it is now. Throws as ReadOnlyFile does.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
