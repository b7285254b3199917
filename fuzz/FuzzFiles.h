#pragma once
// Files for fuzz inputs that readers insist on opening by name. A scratch folder (in /dev/shm
// when there is one, so that runs stay off the disk) holds them; it lives for the whole fuzzing
// process and its files are rewritten in place for every input, unsynced: nothing needs them
// to survive a crash, and a durable write per input would cost more than the reading.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Errors.h"
#include "ReplacingFile.h"

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

// One named file in a scratch folder of its own, replaced whole for every input.
class ScratchFile {
public:
    ScratchFile() : path_(folder_.Folder() + "input") {}

    void Replace(const std::uint8_t* data, std::size_t size) {
        try {
            ReplacingFile file(path_, Durability::Scratch);
            file.Write(data, size);
            file.Commit();
        } catch (const VarnholtError& error) {
            std::fprintf(stderr, "ScratchFile: %s\n", error.what());
            std::abort();
        }
    }
    const std::string& Path() const { return path_; }

private:
    ScratchFolder folder_;
    std::string path_;
};
