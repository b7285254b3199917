#include "PngImage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <limits>

#include "Errors.h"
#include "PngDef.h"
#include "Tick.h"

// libpng reports errors by longjmp. Every libpng call sequence therefore runs in a function
// (a "stage") whose frame holds only plain data and the setjmp; the callbacks libpng makes catch
// their own exceptions, park them in the session and leave through png_error. The C++ caller
// then throws once the stage has returned, so no jump or exception crosses a frame it must not.

namespace {

// libpng never moves more than this through one transfer call for a sane file; a larger request
// means a chunk read or written whole, which the codec refuses.
constexpr std::size_t TransferLimit = 8193;
constexpr std::uint32_t MaxDimension = 1'000'000;
constexpr std::uint64_t MaxPixelBytes = std::uint64_t(1) << 30;
// libpng allocates and clears a whole ancillary chunk before reading it, trusting the length in
// the file, so a few damaged bytes could cost a gigabyte. No block libpng needs within the size
// limits (its widest row is 8 MB) comes near this, and no chunk this long could pass the
// transfer limit anyway: the read fails before the allocation instead of after it.
constexpr png_alloc_size_t MaxLibpngBlock = png_alloc_size_t(16) << 20;
constexpr std::uint32_t ProgressIntervalMs = 100;
constexpr double DisplayGamma = 2.2;
constexpr double NeutralFileGamma = 0.45455;

// The codec's module-wide state: libpng's callbacks find the stream and image here.
Stream* currentStream = nullptr;
TPngImage* currentImage = nullptr;
std::uint32_t lastReportTick = 0;
bool operationRunning = false;

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
    OperationGuard() {
        if (operationRunning) throw EPngError("A PNG read or write is already running");
        operationRunning = true;
    }
    ~OperationGuard() { operationRunning = false; }
    OperationGuard(const OperationGuard&) = delete;
    OperationGuard& operator=(const OperationGuard&) = delete;
};

// Destroys libpng's structures on every way out of a read or write.
class SessionStructs {
public:
    SessionStructs(PngSession& session, bool writing) : session_(session), writing_(writing) {}
    ~SessionStructs() {
        if (!session_.png) return;
        png_infopp info = session_.info ? &session_.info : nullptr;
        if (writing_)
            png_destroy_write_struct(&session_.png, info);
        else
            png_destroy_read_struct(&session_.png, info, nullptr);
    }
    SessionStructs(const SessionStructs&) = delete;
    SessionStructs& operator=(const SessionStructs&) = delete;

private:
    PngSession& session_;
    bool writing_;
};

PngSession* SessionOf(png_structp png) { return static_cast<PngSession*>(png_get_error_ptr(png)); }

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
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

png_voidp LimitedMalloc(png_structp png, png_alloc_size_t size) {
    if (size > MaxLibpngBlock) {
        char message[64];
        std::snprintf(message, sizeof message, "PNG chunk too large: %zu bytes", std::size_t(size));
        png_error(png, message);
    }
    return std::malloc(size);
}

void LibpngFree(png_structp, png_voidp block) { std::free(block); }

void StreamRead(png_structp png, png_bytep buffer, size_t count) {
    bool ok = Guarded(SessionOf(png), [&] {
        if (count > TransferLimit)
            throw EPngError("Buffer override: needed " + std::to_string(count) +
                            "bytes for buffer !");
        if (!currentStream) throw EInOutError("Stream read error");
        currentStream->ReadBuffer(buffer, count);
    });
    if (!ok) png_error(png, "stream read failed");
}

void StreamWrite(png_structp png, png_bytep buffer, size_t count) {
    bool ok = Guarded(SessionOf(png), [&] {
        if (count > TransferLimit)
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
    if (std::uint32_t(now - lastReportTick) <= ProgressIntervalMs) return;
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

[[noreturn]] void RaiseFailure(const PngSession& session) {
    if (session.failure) std::rethrow_exception(session.failure);
    std::string message = session.message[0] ? session.message : "Invalid PNG data";
    // libpng names what is wrong with a header only in its warnings.
    if (message == "Invalid IHDR data" && session.headerWarnings[0])
        message += std::string(": ") + session.headerWarnings;
    throw EPngError(message);
}

// ---- Reading -------------------------------------------------------------------------------

struct ReadHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlaceType = 0;
    int compressionType = 0;
    int filterType = 0;
    png_textp text = nullptr;
    int textCount = 0;
    png_color_16p background = nullptr;
    bool hasBackground = false;
    bool hasTransparency = false;
    png_colorp palette = nullptr;
    int paletteCount = 0;
    double fileGamma = 0;
    bool hasGamma = false;
};

struct ReadPlan {
    bool paletteToRgb = false;
    bool expandGrey = false;
    bool transparencyToAlpha = false;
    bool greyToRgb = false;
    double screenGamma = 0;
    double fileGamma = 0;
    bool packing = false;
    bool scale16 = false;
    bool interlaced = false;
};

struct ReadLayout {
    int passes = 0;
    png_size_t rowBytes = 0;
    int channels = 0;
};

struct ReadTail {
    bool rowsRead = false;
    bool hasTime = false;
    png_time time{};
};

[[gnu::noinline]] bool ReadInfoStage(PngSession* session, ReadHeader* header) {
    png_structp png = session->png;
    png_infop info = session->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_sig_bytes(png, 4);
    png_set_read_fn(png, session, StreamRead);
    png_set_user_limits(png, MaxDimension, MaxDimension);
    png_read_info(png, info);
    png_get_text(png, info, &header->text, &header->textCount);
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType,
                 &header->interlaceType, &header->compressionType, &header->filterType);
    header->hasBackground = png_get_valid(png, info, PNG_INFO_bKGD) != 0 &&
                            png_get_bKGD(png, info, &header->background) != 0;
    header->hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (png_get_PLTE(png, info, &header->palette, &header->paletteCount) == 0) {
        header->palette = nullptr;
        header->paletteCount = 0;
    }
    header->hasGamma = png_get_gAMA(png, info, &header->fileGamma) != 0;
    return true;
}

[[gnu::noinline]] bool ReadTransformStage(PngSession* session, const ReadPlan* plan,
                                          ReadLayout* layout) {
    png_structp png = session->png;
    png_infop info = session->info;
    if (setjmp(png_jmpbuf(png))) return false;
    if (plan->paletteToRgb) png_set_palette_to_rgb(png);
    if (plan->expandGrey) png_set_expand_gray_1_2_4_to_8(png);
    if (plan->transparencyToAlpha) png_set_tRNS_to_alpha(png);
    if (plan->greyToRgb) png_set_gray_to_rgb(png);
    png_set_gamma(png, plan->screenGamma, plan->fileGamma);
    png_set_invert_alpha(png);
    if (plan->packing) png_set_packing(png);
    if (plan->scale16) png_set_scale_16(png);
    if (plan->interlaced) layout->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout->rowBytes = png_get_rowbytes(png, info);
    layout->channels = png_get_channels(png, info);
    return true;
}

[[gnu::noinline]] bool ReadRowsStage(PngSession* session, png_bytepp rows, bool reportRows,
                                     ReadTail* tail) {
    png_structp png = session->png;
    png_infop info = session->info;
    if (setjmp(png_jmpbuf(png))) return false;
    if (rows) {
        if (reportRows) png_set_read_status_fn(png, RowProgress);
        png_read_image(png, rows);
        tail->rowsRead = true;
    }
    png_read_end(png, info);
    png_timep time = nullptr;
    if (png_get_tIME(png, info, &time) != 0 && time) {
        tail->hasTime = true;
        tail->time = *time;
    }
    return true;
}

bool EqualsIgnoringCase(const char* text, const char* word) {
    for (; *text && *word; ++text, ++word)
        if (std::tolower(static_cast<unsigned char>(*text)) !=
            std::tolower(static_cast<unsigned char>(*word)))
            return false;
    return *text == *word;
}

Colour BackgroundFrom(const png_color_16& background, int bitDepth, int colourType) {
    if (bitDepth == 16)
        return MakeColour(std::uint8_t(background.red >> 8), std::uint8_t(background.green >> 8),
                          std::uint8_t(background.blue >> 8));
    if (colourType != PNG_COLOR_TYPE_GRAY || bitDepth >= 8)
        return MakeColour(std::uint8_t(background.red), std::uint8_t(background.green),
                          std::uint8_t(background.blue));
    std::uint8_t grey = 0;
    switch (bitDepth) {
        case 1:
            grey = background.gray != 0 ? 255 : 0;
            break;
        case 2:
            grey = std::uint8_t((background.gray & 3) * 85);
            break;
        case 4:
            grey = std::uint8_t((background.gray & 15) * 17);
            break;
    }
    return MakeColour(grey, grey, grey);
}

// A leap second (60), which PNG allows, counts into the next minute.
std::chrono::local_seconds TimeFromPng(const png_time& time) {
    using namespace std::chrono;
    year_month_day date{year{time.year}, month{time.month}, day{time.day}};
    if (time.year < 1 || time.year > 9999 || !date.ok())
        throw EConvertError("Invalid argument to date encode");
    if (time.hour > 23 || time.minute > 59 || time.second > 60)
        throw EConvertError("Invalid argument to time encode");
    return local_days{date} + hours{time.hour} + minutes{time.minute} + seconds{time.second};
}

// ---- Writing -------------------------------------------------------------------------------

struct WritePlan {
    int compressionLevel = 0;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlaceType = 0;
    int compressionType = 0;
    int filterType = 0;
    png_color palette[256] = {};
    int paletteCount = 0;
    png_text text[4] = {};
    int textCount = 0;
    int filterFlags = 0;
    png_bytepp rows = nullptr;
    bool reportRows = false;
};

[[gnu::noinline]] bool WriteStage(PngSession* session, const WritePlan* plan, bool* rowsWritten) {
    png_structp png = session->png;
    png_infop info = session->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, session, StreamWrite, StreamFlush);
    png_set_compression_level(png, plan->compressionLevel);
    png_set_IHDR(png, info, plan->width, plan->height, plan->bitDepth, plan->colourType,
                 plan->interlaceType, plan->compressionType, plan->filterType);
    if (plan->colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, plan->palette, plan->paletteCount);
    for (int i = 0; i < plan->textCount; ++i) png_set_text(png, info, &plan->text[i], 1);
    png_write_info(png, info);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, plan->filterFlags);
    if (plan->rows) {
        if (plan->bitDepth == 16) png_set_swap(png);
        if (plan->reportRows) png_set_write_status_fn(png, RowProgress);
        png_write_image(png, plan->rows);
        std::time_t now = std::time(nullptr);
        std::tm local{};
        png_time stamp{};
        if (localtime_r(&now, &local)) png_convert_from_struct_tm(&stamp, &local);
        png_set_tIME(png, info, &stamp);
        png_write_end(png, info);
        *rowsWritten = true;
    }
    return true;
}

bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

int SamplesPerPixel(int colourType) {
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY:
            return 1;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
    }
    return 0;
}

}  // namespace

// ---- TPngImageRef --------------------------------------------------------------------------

TPngImageRef::TPngImageRef(const TPngImageRef& other) : image_(other.image_) {
    if (image_) image_->AddRef();
}

TPngImageRef::~TPngImageRef() {
    if (image_) image_->Release();
}

TPngImageRef TPngImageRef::Share(TPngImage* image) {
    if (image) image->AddRef();
    return TPngImageRef(image);
}

// ---- TPngImage -----------------------------------------------------------------------------

TPngImageRef TPngImage::Create() { return TPngImageRef::Adopt(new TPngImage()); }

TPngImage::~TPngImage() {
    if (currentImage == this) currentImage = nullptr;
}

TPngImage* TPngImage::AddRef() {
    ++refCount_;
    return this;
}

void TPngImage::Release() {
    if (--refCount_ <= 0) delete this;
}

void TPngImage::Progress(TPngImage& sender, ProgressStage stage, std::uint8_t percentDone,
                         bool redrawNow, const Rect& rect, const std::string& message) {
    if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

void TPngImage::FreeRows() {
    pixelData_.reset();
    pixelDataSize_ = 0;
    rowPointers_.clear();
    rowPointers_.shrink_to_fit();
}

void TPngImage::AllocateRows() {
    FreeRows();
    if (Height == 0 || RowBytes <= 0) return;
    std::uint64_t size = std::uint64_t(Height) * std::uint64_t(RowBytes);
    if (size > MaxPixelBytes)
        throw EPngError("Image too large: " + std::to_string(Width) + " x " +
                        std::to_string(Height) + " pixels");
    // Left unset: every reader writes each byte, and a header that only claims a huge image then
    // costs address space, not memory, until its data has really arrived.
    pixelData_ = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(size));
    pixelDataSize_ = std::size_t(size);
    rowPointers_.resize(Height);
    for (std::uint32_t row = 0; row < Height; ++row)
        rowPointers_[row] = pixelData_.get() + std::size_t(row) * std::size_t(RowBytes);
}

void TPngImage::LoadFromFile(const std::string& fileName) {
    FileStream file(fileName, FileStream::Mode::Read);
    LoadFromStream(file);
}

void TPngImage::LoadFromStream(Stream& stream) {
    OperationGuard running;
    png_byte signature[4];
    stream.ReadBuffer(signature, sizeof signature);
    currentStream = &stream;
    currentImage = this;
    if (png_sig_cmp(signature, 0, sizeof signature) != 0) throw EPngError("Is not a valid PNG !");

    PngSession session;
    SessionStructs structs(session, false);
    session.png = png_create_read_struct_2(PngVersionText, &session, OnPngError, OnPngWarning,
                                           nullptr, LimitedMalloc, LibpngFree);
    if (!session.png) throw EPngError("Cannot set up libpng for reading");
    Progress(*this, ProgressStage::Starting, 0, false, Rect{}, "Start PNG read");
    session.info = png_create_info_struct(session.png);
    if (!session.info) throw EPngError("Failed to Create info struct");

    ReadHeader header;
    if (!ReadInfoStage(&session, &header)) RaiseFailure(session);

    TextList.clear();
    for (int i = 0; i < header.textCount; ++i) {
        const png_text& entry = header.text[i];
        const char* key = entry.key ? entry.key : "";
        std::string text = entry.text ? entry.text : "";
        TextList.push_back(std::string(key) + "=" + text);
        if (EqualsIgnoringCase(key, "Title")) Title = text;
        if (EqualsIgnoringCase(key, "Author")) Author = text;
        if (EqualsIgnoringCase(key, "Description")) Description = text;
    }
    Width = header.width;
    Height = header.height;
    BitDepth = header.bitDepth;
    ColourType = header.colourType;
    InterlaceType = header.interlaceType;
    CompressionType = header.compressionType;
    FilterType = header.filterType;
    BackgroundColour = header.hasBackground && header.background
                           ? BackgroundFrom(*header.background, BitDepth, ColourType)
                           : 0;
    Transparent = header.hasBackground;

    ReadPlan plan;
    PaletteCount = 0;
    // Palettes of 1, 2 and 4 bits are kept too, so their one-index-per-byte rows still show
    // their colours.
    if (ConvertToRGB && ColourType == PNG_COLOR_TYPE_PALETTE && BitDepth <= 8) {
        plan.paletteToRgb = true;
    } else if (ColourType == PNG_COLOR_TYPE_PALETTE && BitDepth <= 8 && header.palette) {
        PaletteCount = std::clamp(header.paletteCount, 0, 256);
        for (int i = 0; i < PaletteCount; ++i)
            Palette[i] = {header.palette[i].red, header.palette[i].green, header.palette[i].blue};
    }
    plan.expandGrey = ColourType == PNG_COLOR_TYPE_GRAY && BitDepth < 8;
    plan.transparencyToAlpha = header.hasTransparency;
    plan.greyToRgb = ConvertToRGB &&
                     (ColourType == PNG_COLOR_TYPE_GRAY || ColourType == PNG_COLOR_TYPE_GRAY_ALPHA);
    FileGamma = 0;
    ScreenGamma = DisplayGamma;
    if (header.hasGamma) FileGamma = header.fileGamma;
    plan.screenGamma = ScreenGamma;
    plan.fileGamma = header.hasGamma ? FileGamma : NeutralFileGamma;
    plan.packing = BitDepth < 8;
    // 16-bit samples are scaled to 8 bits so that every image converts to a bitmap.
    plan.scale16 = BitDepth == 16;
    plan.interlaced = InterlaceType == PNG_INTERLACE_ADAM7;

    ReadLayout layout;
    if (!ReadTransformStage(&session, &plan, &layout)) RaiseFailure(session);
    if (plan.interlaced) Passes = layout.passes;
    std::uint64_t packedRow = std::uint64_t(Width) * std::uint64_t(layout.channels);
    if (layout.channels < 1 || layout.channels > 4 || layout.rowBytes != packedRow)
        throw EPngError("Unsupported PNG row layout");
    if (std::uint64_t(layout.rowBytes) * Height > MaxPixelBytes)
        throw EPngError("Image too large: " + std::to_string(Width) + " x " +
                        std::to_string(Height) + " pixels");
    RowBytes = std::int32_t(layout.rowBytes);
    Channels = layout.channels;

    AllocateRows();
    ReadTail tail;
    png_bytepp rows = pixelData_ ? rowPointers_.data() : nullptr;
    if (!ReadRowsStage(&session, rows, bool(OnProgress), &tail)) {
        // Rows the file never delivered were never written: drop them all rather than keep
        // memory nobody set.
        if (!tail.rowsRead) FreeRows();
        RaiseFailure(session);
    }
    if (tail.hasTime) Time = TimeFromPng(tail.time);
    Progress(*this, ProgressStage::Ending, 100, false, Rect{}, "Ended PNG read");
}

void TPngImage::SaveToFile(const std::string& fileName) {
    ReplacingFileStream file(fileName);
    SaveToStream(file);
    file.Commit();
}

void TPngImage::SaveToStream(Stream& stream) {
    OperationGuard running;
    currentStream = &stream;
    currentImage = this;

    PngSession session;
    SessionStructs structs(session, true);
    session.png = png_create_write_struct(PngVersionText, &session, OnPngError, OnPngWarning);
    Progress(*this, ProgressStage::Starting, 0, false, Rect{}, "Starting PNG write");
    if (!session.png) throw EPngError("Cannot set up libpng for writing");
    session.info = png_create_info_struct(session.png);
    if (!session.info) throw EPngError("Failed to Create info struct");

    // libpng takes Height rows of the size the header implies from RowPointers; rows that do
    // not match would be read past their end. A header libpng rejects is left for it to report.
    int samples = SamplesPerPixel(ColourType);
    bool knownDepth =
        BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8 || BitDepth == 16;
    if (Width != 0 && Height != 0 && samples != 0 && knownDepth) {
        std::uint64_t needed =
            (std::uint64_t(Width) * std::uint64_t(samples) * std::uint64_t(BitDepth) + 7) / 8;
        if (!pixelData_ || rowPointers_.size() != Height || RowBytes < 0 ||
            std::uint64_t(RowBytes) < needed)
            throw EPngError("Image data does not match its header");
    }

    WritePlan plan;
    plan.compressionLevel = CompressionLevel;
    plan.width = Width;
    plan.height = Height;
    plan.bitDepth = BitDepth;
    plan.colourType = ColourType;
    plan.interlaceType = InterlaceType;
    plan.compressionType = CompressionType;
    plan.filterType = FilterType;
    for (int i = 0; i < 256; ++i)
        plan.palette[i] = {Palette[i].red, Palette[i].green, Palette[i].blue};
    plan.paletteCount = PaletteCount;
    const std::pair<const char*, std::string*> texts[] = {{"Author", &Author},
                                                          {"Description", &Description},
                                                          {"Software", &Software},
                                                          {"Title", &Title}};
    for (const auto& [key, value] : texts) {
        if (IsBlank(*value)) continue;
        png_text& entry = plan.text[plan.textCount++];
        entry.compression = PNG_TEXT_COMPRESSION_NONE;
        entry.key = const_cast<char*>(key);
        entry.text = value->data();
        entry.text_length = value->size();
    }
    plan.filterFlags = FilterFlags;
    plan.rows = pixelData_ ? rowPointers_.data() : nullptr;
    plan.reportRows = bool(OnProgress);

    bool rowsWritten = false;
    if (!WriteStage(&session, &plan, &rowsWritten)) RaiseFailure(session);
    if (rowsWritten) Progress(*this, ProgressStage::Ending, 100, false, Rect{}, "Ended PNG write");
}

void TPngImage::CopyFromBitmap(const Bitmap& bitmap) {
    PaletteCount = 0;
    switch (bitmap.Format()) {
        case PixelFormat::Indexed8: {
            ColourType = PNG_COLOR_TYPE_GRAY;
            Channels = 1;
            const std::vector<PaletteEntry>& entries = bitmap.Palette();
            PaletteCount = std::int32_t(std::min<std::size_t>(entries.size(), 256));
            for (int i = 0; i < PaletteCount; ++i) {
                Palette[i] = entries[i];
                if (entries[i] != PaletteEntry{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)})
                    ColourType = PNG_COLOR_TYPE_PALETTE;
            }
            break;
        }
        case PixelFormat::Bgr24:
            ColourType = PNG_COLOR_TYPE_RGB;
            Channels = 3;
            break;
        default:
            throw EInvalidGraphicOperation("Unsupported bitmap format");
    }
    std::uint64_t rowBytes = std::uint64_t(bitmap.Width()) * std::uint64_t(Channels);
    if (rowBytes > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
        throw EInvalidGraphicOperation("Bitmap too large");
    Width = std::uint32_t(bitmap.Width());
    Height = std::uint32_t(bitmap.Height());
    BitDepth = 8;
    RowBytes = std::int32_t(rowBytes);
    AllocateRows();
    if (!pixelData_) return;
    for (std::uint32_t row = 0; row < Height; ++row) {
        const std::uint8_t* source = bitmap.Row(int(row));
        std::uint8_t* target = rowPointers_[row];
        if (Channels == 1) {
            std::memcpy(target, source, Width);
        } else {
            for (std::uint32_t column = 0; column < Width; ++column, source += 3, target += 3) {
                target[0] = source[2];
                target[1] = source[1];
                target[2] = source[0];
            }
        }
    }
}

void TPngImage::CopyToBitmap(Bitmap& bitmap, int x, int y) const {
    constexpr std::int64_t maxInt = std::numeric_limits<std::int32_t>::max();
    if (Height > maxInt || std::int64_t(y) + Height > maxInt)
        throw EInvalidGraphicOperation("Image too high");
    if (Width > maxInt || std::int64_t(x) + Width > maxInt)
        throw EInvalidGraphicOperation("Image too wide");
    bool hasRows = pixelData_ && Width != 0 && Height != 0;
    if (hasRows && (Channels < 1 || Channels > 4 || rowPointers_.size() != Height || RowBytes < 0 ||
                    std::uint64_t(RowBytes) < std::uint64_t(Width) * Channels))
        throw EInvalidGraphicOperation("Image data does not match its size");

    int bottom = y + int(Height);
    int right = x + int(Width);
    if (bitmap.Height() < bottom) bitmap.SetHeight(bottom);
    if (bitmap.Width() < right) bitmap.SetWidth(right);
    if (Channels == 1) {
        bitmap.SetFormat(PixelFormat::Indexed8);
        if (PaletteCount != 0)
            bitmap.SetPalette(std::vector<PaletteEntry>(
                Palette.begin(), Palette.begin() + std::clamp(PaletteCount, 0, 256)));
    } else if (Channels == 2) {
        bitmap.SetFormat(PixelFormat::Pixel16);
    } else {
        bitmap.SetFormat(PixelFormat::Bgr24);
    }
    bitmap.SetTransparent(Transparent);
    if (!hasRows) return;

    int firstColumn = std::max(0, -x);
    int bytesPerPixel = bitmap.BytesPerPixel();
    for (std::uint32_t row = 0; row < Height; ++row) {
        std::int64_t targetRow = std::int64_t(y) + row;
        if (targetRow < 0) continue;
        const std::uint8_t* source = rowPointers_[row];
        std::uint8_t* target = bitmap.Row(int(targetRow));
        if (Channels <= 2) {  // samples are stored as the bitmap holds them: copy whole rows
            if (firstColumn < int(Width))
                std::memcpy(target + std::size_t(x + firstColumn) * std::size_t(bytesPerPixel),
                            source + std::size_t(firstColumn) * std::size_t(Channels),
                            std::size_t(int(Width) - firstColumn) * std::size_t(Channels));
            continue;
        }
        for (int column = firstColumn; column < int(Width); ++column) {
            const std::uint8_t* in = source + std::size_t(column) * std::size_t(Channels);
            std::uint8_t* out = target + std::size_t(x + column) * std::size_t(bytesPerPixel);
            switch (Channels) {
                case 1:
                    out[0] = in[0];
                    break;
                case 2:
                    out[0] = in[0];
                    out[1] = in[1];
                    break;
                case 3:
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                    break;
                default: {
                    unsigned transparency = in[3];
                    if (transparency == 0) {
                        out[0] = in[2];
                        out[1] = in[1];
                        out[2] = in[0];
                    } else if (transparency == 255) {
                        out[0] = BlueOf(BackgroundColour);
                        out[1] = GreenOf(BackgroundColour);
                        out[2] = RedOf(BackgroundColour);
                    } else {
                        for (int i = 0; i < 3; ++i)
                            out[i] = std::uint8_t(
                                (out[i] * transparency + (255 - transparency) * in[2 - i]) / 255);
                    }
                }
            }
        }
    }
    bitmap.MarkModified();
}

void TPngImage::Draw(Canvas& canvas) const {
    Bitmap picture;
    CopyToBitmap(picture, 0, 0);
    canvas.Draw(0, 0, picture);
}

// ---- TPngGraphic ---------------------------------------------------------------------------

TPngGraphic::TPngGraphic() : image_(TPngImage::Create()) { SetTransparent(true); }

void TPngGraphic::Assign(const Graphic& source) {
    if (const auto* png = dynamic_cast<const TPngGraphic*>(&source)) {
        if (png == this) return;
        image_ = png->image_;
        Changed();
        return;
    }
    Graphic::Assign(source);
}

void TPngGraphic::Draw(Canvas& canvas, const Rect&) {
    if (image_) image_->Draw(canvas);
}

// An image without pixels counts as empty as well, so that nothing is drawn for it.
bool TPngGraphic::GetEmpty() const { return !image_ || image_->Width == 0 || image_->Height == 0; }

int TPngGraphic::GetHeight() const { return image_ ? int(image_->Height) : 0; }

int TPngGraphic::GetWidth() const { return image_ ? int(image_->Width) : 0; }

void TPngGraphic::SetHeight(int) {
    throw EInvalidGraphicOperation("Cannot set height on a TPngGraphic");
}

void TPngGraphic::SetWidth(int) {
    throw EInvalidGraphicOperation("Cannot set width on a TPngGraphic");
}

void TPngGraphic::LoadFromFile(const std::string& fileName) {
    if (!image_) image_ = TPngImage::Create();
    image_->LoadFromFile(fileName);
}

void TPngGraphic::SaveToFile(const std::string& fileName) {
    if (image_) image_->SaveToFile(fileName);
}

void TPngGraphic::LoadFromStream(Stream& stream) {
    if (image_) image_->LoadFromStream(stream);
}

void TPngGraphic::SaveToStream(Stream& stream) {
    if (image_) image_->SaveToStream(stream);
}

void TPngGraphic::LoadFromClipboardFormat() {
    throw EInvalidGraphicOperation("Cannot load a TPngGraphic from the Clipboard");
}

void TPngGraphic::SaveToClipboardFormat() {
    throw EInvalidGraphicOperation("Cannot save a TPngGraphic to the Clipboard");
}

namespace {

struct PngFormatRegistration {
    PngFormatRegistration() {
        PictureFormats::Register("PNG", "Portable Network Graphics",
                                 [] { return std::make_unique<TPngGraphic>(); });
    }
    ~PngFormatRegistration() { PictureFormats::Unregister("PNG"); }
} pngFormatRegistration;

}  // namespace
