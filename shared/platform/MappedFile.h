#pragma once
// A whole file mapped read-only into memory, for large grids read in address order; opened as a
// ReadOnlyFile of the same platform layer. The mapping lives as long as the object; Size() is
// the file's length when it was opened, and nothing beyond it may be read. An empty file maps to no
// data at all (Data() is null, Size() 0).
#include <cstddef>
#include <cstdint>
#include <string>

class MappedFile {
public:
    // Throws EFOpenError "Cannot open file: " + path when the file cannot be opened or mapped.
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    const std::string& Path() const { return path_; }

private:
    void Release() noexcept;

    std::string path_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};
