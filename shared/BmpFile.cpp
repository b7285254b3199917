#include "BmpFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <system_error>
#include <vector>

#include "Errors.h"

namespace {
constexpr std::size_t FileHeaderBytes = 14;
constexpr std::size_t InfoHeaderBytes = 40;
constexpr std::size_t PaletteEntries = 256;

std::string Reason(int error) { return std::generic_category().message(error); }

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A file being written under a temporary name; removed again unless committed.
class PendingFile {
public:
    explicit PendingFile(const std::string& path) : path_(path) {
        std::random_device seed;
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporaryPath_ = path + ".tmp" + std::to_string(seed());
            // Mode 0666 lets the umask decide, as for any newly created file.
            descriptor_ =
                ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ >= 0) return;
            if (errno != EEXIST) break;
        }
        throw EInOutError("Cannot create file " + path + ": " + Reason(errno));
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
        if (!committed_) ::unlink(temporaryPath_.c_str());
    }

    void Write(const std::uint8_t* bytes, std::size_t count) {
        while (count > 0) {
            const ssize_t written = ::write(descriptor_, bytes, count);
            if (written < 0) {
                if (errno == EINTR) continue;
                Fail(errno);
            }
            bytes += written;
            count -= std::size_t(written);
        }
    }

    void Commit() {
        if (::fsync(descriptor_) != 0) Fail(errno);
        const int descriptor = descriptor_;
        descriptor_ = -1;
        if (::close(descriptor) != 0) Fail(errno);
        if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) Fail(errno);
        committed_ = true;
    }

private:
    [[noreturn]] void Fail(int error) {
        throw EInOutError("Cannot write file " + path_ + ": " + Reason(error));
    }

    std::string path_;
    std::string temporaryPath_;
    int descriptor_ = -1;
    bool committed_ = false;
};
}  // namespace

void SaveBitmapToBmp(const Bitmap& bitmap, const std::string& path) {
    if (bitmap.Format() == PixelFormat::Pixel16)
        throw EInvalidGraphicOperation("Cannot save a 16-bit bitmap as a BMP file");
    if (bitmap.IsEmpty()) throw EInvalidGraphicOperation("Cannot save an empty bitmap");

    const bool indexed = bitmap.Format() == PixelFormat::Indexed8;
    const std::size_t rowBytes = std::size_t(bitmap.Width()) * std::size_t(bitmap.BytesPerPixel());
    const std::size_t paddedRowBytes = (rowBytes + 3) & ~std::size_t(3);
    const std::size_t pixelOffset =
        FileHeaderBytes + InfoHeaderBytes + (indexed ? PaletteEntries * 4 : 0);
    const std::size_t pixelBytes = paddedRowBytes * std::size_t(bitmap.Height());
    if (pixelBytes > std::numeric_limits<std::uint32_t>::max() - pixelOffset)
        throw EInvalidGraphicOperation("Bitmap too large for a BMP file");

    std::vector<std::uint8_t> header;
    header.reserve(pixelOffset);
    header.push_back('B');
    header.push_back('M');
    Put32(header, std::uint32_t(pixelOffset + pixelBytes));
    Put32(header, 0);  // two reserved words
    Put32(header, std::uint32_t(pixelOffset));
    Put32(header, InfoHeaderBytes);
    Put32(header, std::uint32_t(bitmap.Width()));
    Put32(header, std::uint32_t(bitmap.Height()));  // positive: rows stored bottom-up
    Put16(header, 1);                               // planes
    Put16(header, indexed ? 8 : 24);
    Put32(header, 0);  // uncompressed
    Put32(header, std::uint32_t(pixelBytes));
    Put32(header, 0);  // no resolution stated
    Put32(header, 0);
    Put32(header, indexed ? PaletteEntries : 0);
    Put32(header, 0);  // all colours important
    if (indexed) {
        const auto& palette = bitmap.Palette();
        for (std::size_t i = 0; i < PaletteEntries; ++i) {
            const PaletteEntry entry =
                i < palette.size()
                    ? palette[i]
                    : PaletteEntry{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
            header.push_back(entry.blue);
            header.push_back(entry.green);
            header.push_back(entry.red);
            header.push_back(0);
        }
    }

    PendingFile file(path);
    file.Write(header.data(), header.size());
    // Rows are gathered into blocks so that large images need few system calls; padding is
    // written as zeros whatever the bitmap holds there.
    constexpr std::size_t BlockBytes = 1 << 18;
    std::vector<std::uint8_t> block;
    block.reserve(BlockBytes + paddedRowBytes);
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = bitmap.Row(y);
        block.insert(block.end(), row, row + rowBytes);
        block.resize(block.size() + (paddedRowBytes - rowBytes), 0);
        if (block.size() >= BlockBytes) {
            file.Write(block.data(), block.size());
            block.clear();
        }
    }
    file.Write(block.data(), block.size());
    file.Commit();
}
