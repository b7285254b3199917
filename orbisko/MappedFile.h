#pragma once
// Stand-in until the shared read-only mapping lands; same interface.
#include <cstddef>
#include <cstdint>
#include <string>

class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&&) = delete;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};
