#pragma once
// What the read and write stages of the PNG codec share: one libpng session (its structures,
// the error text libpng leaves and the exception a callback caught), the callbacks libpng makes,
// and the one-operation-at-a-time rule. Only the codec includes this.
//
// libpng reports errors by longjmp. Every libpng call sequence therefore runs in a function
// (a "stage") whose frame holds only plain data and the setjmp; the callbacks libpng makes catch
// their own exceptions, park them in the session and leave through png_error. The C++ caller
// then throws once the stage has returned, so no jump or exception crosses a frame it must not.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "PngDef.h"
#include "PngImage.h"
#include "Stream.h"

namespace pngcodec {

inline constexpr std::uint32_t kMaxDimension = 1'000'000;
inline constexpr std::uint64_t kMaxPixelBytes = std::uint64_t(1) << 30;

// The header fields of an image as plain data, which may cross a setjmp frame.
struct HeaderFields {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlaceType = 0;
    int compressionType = 0;
    int filterType = 0;
};
HeaderFields HeaderFieldsOf(const TPngImage& image);
void SetHeaderFields(TPngImage& image, const HeaderFields& fields);

struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = {};
    char headerWarnings[512] = {};
    std::exception_ptr failure;
};

// Marks the one read or write that may run; a progress handler that starts another one would
// leave the running one with a stream that is gone.
class OperationGuard {
public:
    OperationGuard();
    ~OperationGuard();
    OperationGuard(const OperationGuard&) = delete;
    OperationGuard& operator=(const OperationGuard&) = delete;
};

// Destroys libpng's structures on every way out of a read or write.
class SessionStructs {
public:
    SessionStructs(PngSession& session, bool writing) : session_(session), writing_(writing) {}
    ~SessionStructs();
    SessionStructs(const SessionStructs&) = delete;
    SessionStructs& operator=(const SessionStructs&) = delete;

private:
    PngSession& session_;
    bool writing_;
};

// libpng's transfer and progress callbacks reach the stream and image of the running
// operation through these.
void AttachTransfer(Stream& stream, TPngImage& image);
void ForgetImage(const TPngImage* image);

[[noreturn]] void OnPngError(png_structp png, png_const_charp message);
void OnPngWarning(png_structp png, png_const_charp message);
png_voidp LimitedMalloc(png_structp png, png_alloc_size_t size);
void LibpngFree(png_structp png, png_voidp block);
void StreamRead(png_structp png, png_bytep buffer, size_t count);
void StreamWrite(png_structp png, png_bytep buffer, size_t count);
void StreamFlush(png_structp png);
void RowProgress(png_structp png, png_uint_32 rowNumber, int pass);
// The read's row callback: the image's rows hook, then its progress.
void RowRead(png_structp png, png_uint_32 rowNumber, int pass);

// Throws what ended a stage: the exception a callback caught, else libpng's message.
[[noreturn]] void RaiseFailure(const PngSession& session);

}  // namespace pngcodec
