#include "FileIo.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "Errors.h"

namespace {

std::string Reason() { return std::strerror(errno); }

}  // namespace

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw EFOpenError("Cannot open file: " + path + ": it is a folder");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFOpenError("Cannot open file: " + path + ": " + Reason());
    std::vector<unsigned char> bytes;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (in.bad()) throw EInOutError("Cannot read file: " + path + ": " + Reason());
    return bytes;
}

OutputFile::OutputFile(std::string path, std::size_t bufferBytes)
    : path_(std::move(path)), buffer_(bufferBytes) {
    std::filesystem::path target(path_);
    // Hidden and tagged with the process id, so that concurrent runs and readers of the
    // folder never mistake it for a finished file.
    std::string hiddenName = ".";
    hiddenName += target.filename().string();
    hiddenName += ".partial-" + std::to_string(::getpid());
    tempPath_ = (target.parent_path() / hiddenName).string();
    file_ = std::fopen(tempPath_.c_str(), "wb");
    if (!file_) throw EFOpenError("Cannot create file: " + path_ + ": " + Reason());
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

OutputFile::~OutputFile() {
    if (file_) {
        std::fclose(file_);
        std::remove(tempPath_.c_str());
    }
}

void OutputFile::Fail(const std::string& what) {
    std::string message = what + path_ + ": " + Reason();
    std::fclose(file_);
    file_ = nullptr;
    std::remove(tempPath_.c_str());
    throw EInOutError(message);
}

void OutputFile::Write(const void* data, std::size_t bytes) {
    if (!file_) throw EInOutError("Cannot write file: " + path_ + ": already closed");
    if (bytes > 0 && std::fwrite(data, 1, bytes, file_) != bytes) Fail("Cannot write file: ");
}

void OutputFile::Commit() {
    if (!file_) throw EInOutError("Cannot write file: " + path_ + ": already closed");
    if (std::fflush(file_) != 0) Fail("Cannot write file: ");
    if (std::fclose(file_) != 0) {
        file_ = nullptr;
        std::remove(tempPath_.c_str());
        throw EInOutError("Cannot write file: " + path_ + ": " + Reason());
    }
    file_ = nullptr;
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        std::string message = "Cannot write file: " + path_ + ": " + Reason();
        std::remove(tempPath_.c_str());
        throw EInOutError(message);
    }
}
