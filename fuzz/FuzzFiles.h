#pragma once
// Files for fuzz inputs that readers insist on opening by name. An in-memory file keeps each run
// off the disk; a scratch folder (in /dev/shm when there is one) holds sets of named files.
// Both live for the whole fuzzing process and are emptied or rewritten for every input.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// A file held in memory, opened by readers through its /proc/self/fd name.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("varnholt-fuzz", MFD_CLOEXEC)) {
        if (fd_ < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    void Replace(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd_, 0) != 0 || (size && ::pwrite(fd_, data, size, 0) != ssize_t(size))) {
            std::perror("MemoryFile");
            std::abort();
        }
    }
    const std::string& Path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

class ScratchFolder {
public:
    ScratchFolder() {
        std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0
                ? std::filesystem::path("/dev/shm")
                : std::filesystem::temp_directory_path();
        std::string pattern = (base / "varnholt-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder as the programs store folders: with a final separator.
    std::string Folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};
