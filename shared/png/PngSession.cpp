#include "PngSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "Errors.h"
#include "Tick.h"

namespace pngcodec {

namespace {

// libpng never moves more than this through one transfer call for a sane file; a larger request
// means a chunk read or written whole, which the codec refuses.
constexpr std::size_t kTransferLimit = 8193;
// libpng allocates and clears a whole ancillary chunk before reading it, trusting the length in
// the file, so a few damaged bytes could cost a gigabyte. No block libpng needs within the size
// limits (its widest row is 8 MB) comes near this, and no chunk this long could pass the
// transfer limit anyway: the read fails before the allocation instead of after it.
constexpr png_alloc_size_t kMaxLibpngBlock = png_alloc_size_t(16) << 20;
constexpr std::uint32_t kProgressIntervalMs = 100;

// The codec's module-wide state, one copy per thread: libpng's callbacks find the stream and
// image here, and images on different threads are written at the same time.
thread_local Stream* currentStream = nullptr;
thread_local TPngImage* currentImage = nullptr;
thread_local std::uint32_t lastReportTick = 0;
thread_local bool operationRunning = false;

PngSession* SessionOf(png_structp png) { return static_cast<PngSession*>(png_get_error_ptr(png)); }

// Runs callback work that may throw; false when it did, with the exception kept in the session.
template <class Work>
bool Guarded(PngSession* session, Work&& work) noexcept {
    try {
        work();
        return true;
    } catch (...) {
        if (session && !session->failure) session->failure = std::current_exception();
        return false;
    }
}

}  // namespace

OperationGuard::OperationGuard() {
    if (operationRunning) throw EPngError("A PNG read or write is already running");
    operationRunning = true;
}

OperationGuard::~OperationGuard() { operationRunning = false; }

SessionStructs::~SessionStructs() {
    if (!session_.png) return;
    png_infopp info = session_.info ? &session_.info : nullptr;
    if (writing_)
        png_destroy_write_struct(&session_.png, info);
    else
        png_destroy_read_struct(&session_.png, info, nullptr);
}

void AttachTransfer(Stream& stream, TPngImage& image) {
    currentStream = &stream;
    currentImage = &image;
}

void ForgetImage(const TPngImage* image) {
    if (currentImage == image) currentImage = nullptr;
}

void OnPngError(png_structp png, png_const_charp message) {
    PngSession* session = SessionOf(png);
    if (session && session->message[0] == '\0' && message) {
        std::strncpy(session->message, message, sizeof session->message - 1);
    }
    png_longjmp(png, 1);
}

// Warnings only matter where libpng explains a refused header with them; the rest are dropped.
void OnPngWarning(png_structp png, png_const_charp message) {
    PngSession* session = SessionOf(png);
    if (!session || !message || !std::strstr(message, "IHDR")) return;
    std::size_t used = std::strlen(session->headerWarnings);
    std::size_t room = sizeof session->headerWarnings - 1 - used;
    if (used != 0 && room > 2) {
        std::strncat(session->headerWarnings, "; ", room);
        room -= 2;
    }
    std::strncat(session->headerWarnings, message, room);
}

png_voidp LimitedMalloc(png_structp png, png_alloc_size_t size) {
    if (size > kMaxLibpngBlock) {
        char message[64];
        std::snprintf(message, sizeof message, "PNG chunk too large: %zu bytes", std::size_t(size));
        png_error(png, message);
    }
    return std::malloc(size);
}

void LibpngFree(png_structp, png_voidp block) { std::free(block); }

void StreamRead(png_structp png, png_bytep buffer, size_t count) {
    bool ok = Guarded(SessionOf(png), [&] {
        if (count > kTransferLimit)
            throw EPngError("Buffer override: needed " + std::to_string(count) +
                            "bytes for buffer !");
        if (!currentStream) throw EInOutError("Stream read error");
        currentStream->ReadBuffer(buffer, count);
    });
    if (!ok) png_error(png, "stream read failed");
}

void StreamWrite(png_structp png, png_bytep buffer, size_t count) {
    bool ok = Guarded(SessionOf(png), [&] {
        if (count > kTransferLimit)
            throw EPngError("Buffer override: needed " + std::to_string(count));
        if (!currentStream) throw EInOutError("Stream write error");
        currentStream->WriteBuffer(buffer, count);
    });
    if (!ok) png_error(png, "stream write failed");
}

void StreamFlush(png_structp) {}

void RowProgress(png_structp png, png_uint_32 rowNumber, int) {
    if (!png || rowNumber > std::uint32_t(std::numeric_limits<std::int32_t>::max()) ||
        !currentImage)
        return;
    std::uint32_t now = GetTickCount();
    if (std::uint32_t(now - lastReportTick) <= kProgressIntervalMs) return;
    bool ok = Guarded(SessionOf(png), [&] {
        TPngImage& image = *currentImage;
        std::uint32_t percent =
            image.Height == 0 ? 100 : std::uint32_t(std::uint64_t(rowNumber) * 100 / image.Height);
        image.Progress(image, ProgressStage::Running, std::uint8_t(std::min(percent, 100u)), false,
                       Rect{}, "Running");
    });
    lastReportTick = now;
    if (!ok) png_error(png, "progress handler failed");
}

void RowRead(png_structp png, png_uint_32 rowNumber, int pass) {
    if (png && currentImage && currentImage->OnRowsRead &&
        currentImage->InterlaceType == PNG_INTERLACE_NONE) {
        TPngImage& image = *currentImage;
        if (!Guarded(SessionOf(png), [&] { image.OnRowsRead(rowNumber); }))
            png_error(png, "row handler failed");
    }
    if (currentImage && currentImage->OnProgress) RowProgress(png, rowNumber, pass);
}

void RaiseFailure(const PngSession& session) {
    if (session.failure) std::rethrow_exception(session.failure);
    std::string message = session.message[0] ? session.message : "Invalid PNG data";
    // libpng names what is wrong with a header only in its warnings.
    if (message == "Invalid IHDR data" && session.headerWarnings[0])
        message += std::string(": ") + session.headerWarnings;
    throw EPngError(message);
}

HeaderFields HeaderFieldsOf(const TPngImage& image) {
    return {image.Width,         image.Height,          image.BitDepth,  image.ColourType,
            image.InterlaceType, image.CompressionType, image.FilterType};
}

void SetHeaderFields(TPngImage& image, const HeaderFields& fields) {
    image.Width = fields.width;
    image.Height = fields.height;
    image.BitDepth = fields.bitDepth;
    image.ColourType = fields.colourType;
    image.InterlaceType = fields.interlaceType;
    image.CompressionType = fields.compressionType;
    image.FilterType = fields.filterType;
}

}  // namespace pngcodec
