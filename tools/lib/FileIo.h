#pragma once
// Whole-file input and all-or-nothing output for the tools.
//
// An OutputFile writes into a hidden temporary file beside its target through a large buffer
// and renames it over the target only on Commit(), so an interrupted or failed run never
// leaves a partial file under the real name. Errors name the file and the reason.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

std::vector<unsigned char> ReadWholeFile(const std::string& path);

class OutputFile {
  public:
    explicit OutputFile(std::string path, std::size_t bufferBytes = 1 << 20);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const void* data, std::size_t bytes);
    void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
    // Flushes, closes and moves the temporary file to the target path.
    void Commit();
    const std::string& Path() const { return path_; }

  private:
    void Fail(const std::string& what);

    std::string path_;
    std::string tempPath_;
    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
};
