// Reading: the libpng read sequence in three stages (header, transforms, rows) and the steps
// between them that turn what libpng reported into the image's fields.
#include <algorithm>
#include <csetjmp>
#include <string>
#include <vector>

#include "Errors.h"
#include "PngChunks.h"
#include "PngImage.h"
#include "PngSession.h"

using namespace pngcodec;

namespace {

constexpr double kDisplayGamma = 2.2;
constexpr double kNeutralFileGamma = 0.45455;

struct ReadHeader {
    HeaderFields ihdr;
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
    png_set_user_limits(png, kMaxDimension, kMaxDimension);
    png_read_info(png, info);
    png_get_text(png, info, &header->text, &header->textCount);
    HeaderFields& ihdr = header->ihdr;
    png_get_IHDR(png, info, &ihdr.width, &ihdr.height, &ihdr.bitDepth, &ihdr.colourType,
                 &ihdr.interlaceType, &ihdr.compressionType, &ihdr.filterType);
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

// The chunks after the image data, and its time stamp. Called inside a stage, whose setjmp
// catches libpng's errors; it holds nothing that a long jump would skip.
void ReadEnd(png_structp png, png_infop info, ReadTail* tail) {
    png_read_end(png, info);
    png_timep time = nullptr;
    if (png_get_tIME(png, info, &time) != 0 && time) {
        tail->hasTime = true;
        tail->time = *time;
    }
}

[[gnu::noinline]] bool ReadRowsStage(PngSession* session, png_bytepp rows, bool reportRows,
                                     ReadTail* tail) {
    png_structp png = session->png;
    png_infop info = session->info;
    if (setjmp(png_jmpbuf(png))) return false;
    if (rows) {
        if (reportRows) png_set_read_status_fn(png, RowRead);
        png_read_image(png, rows);
        tail->rowsRead = true;
    }
    ReadEnd(png, info, tail);
    return true;
}

// Hands one decoded row on; what the handler throws waits in the session for the caller.
bool DeliverRow(PngSession* session, TPngImage* image, png_uint_32 row, const png_byte* samples) {
    try {
        image->OnRowDecoded(row, samples);
        return true;
    } catch (...) {
        session->failure = std::current_exception();
        return false;
    }
}

[[gnu::noinline]] bool ReadRowByRowStage(PngSession* session, TPngImage* image, png_bytep row,
                                         bool reportRows, ReadTail* tail) {
    png_structp png = session->png;
    png_infop info = session->info;
    if (setjmp(png_jmpbuf(png))) return false;
    if (reportRows) png_set_read_status_fn(png, RowRead);
    const png_uint_32 height = image->Height;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, row, nullptr);
        if (!DeliverRow(session, image, y, row)) return false;
    }
    tail->rowsRead = true;
    ReadEnd(png, info, tail);
    return true;
}

void TakeHeader(TPngImage& image, const ReadHeader& header) {
    SetHeaderFields(image, header.ihdr);
    image.BackgroundColour =
        header.hasBackground && header.background
            ? BackgroundFrom(*header.background, image.BitDepth, image.ColourType)
            : 0;
    image.Transparent = header.hasBackground;
}

// Chooses the transforms that bring the rows to 8-bit samples, keeping a palette the image
// stays indexed with.
ReadPlan PlanTransforms(TPngImage& image, const ReadHeader& header) {
    ReadPlan plan;
    const bool palette = image.ColourType == PNG_COLOR_TYPE_PALETTE && image.BitDepth <= 8;
    const bool grey = image.ColourType == PNG_COLOR_TYPE_GRAY;
    image.PaletteCount = 0;
    // Palettes of 1, 2 and 4 bits are kept too, so their one-index-per-byte rows still show
    // their colours.
    if (image.ConvertToRGB && palette) {
        plan.paletteToRgb = true;
    } else if (palette && header.palette) {
        image.PaletteCount = std::clamp(header.paletteCount, 0, 256);
        for (int i = 0; i < image.PaletteCount; ++i)
            image.Palette[i] = {header.palette[i].red, header.palette[i].green,
                                header.palette[i].blue};
    }
    plan.expandGrey = grey && image.BitDepth < 8;
    plan.transparencyToAlpha = header.hasTransparency;
    plan.greyToRgb = image.ConvertToRGB && (grey || image.ColourType == PNG_COLOR_TYPE_GRAY_ALPHA);
    image.FileGamma = 0;
    image.ScreenGamma = kDisplayGamma;
    if (header.hasGamma) image.FileGamma = header.fileGamma;
    plan.screenGamma = image.ScreenGamma;
    plan.fileGamma = header.hasGamma ? image.FileGamma : kNeutralFileGamma;
    plan.packing = image.BitDepth < 8;
    // 16-bit samples are scaled to 8 bits so that every image converts to a bitmap.
    plan.scale16 = image.BitDepth == 16;
    plan.interlaced = image.InterlaceType == PNG_INTERLACE_ADAM7;
    return plan;
}

void TakeLayout(TPngImage& image, const ReadPlan& plan, const ReadLayout& layout, bool keepsRows) {
    if (plan.interlaced) image.Passes = layout.passes;
    std::uint64_t packedRow = std::uint64_t(image.Width) * std::uint64_t(layout.channels);
    if (layout.channels < 1 || layout.channels > 4 || layout.rowBytes != packedRow)
        throw EPngError("Unsupported PNG row layout");
    if (keepsRows && std::uint64_t(layout.rowBytes) * image.Height > kMaxPixelBytes)
        throw EPngError("Image too large: " + std::to_string(image.Width) + " x " +
                        std::to_string(image.Height) + " pixels");
    image.RowBytes = std::int32_t(layout.rowBytes);
    image.Channels = layout.channels;
}

}  // namespace

void TPngImage::LoadFromFile(const std::string& fileName) {
    FileStream file(fileName, FileStream::Mode::Read);
    LoadFromStream(file);
}

void TPngImage::LoadFromStream(Stream& stream) {
    OperationGuard running;
    png_byte signature[4];
    stream.ReadBuffer(signature, sizeof signature);
    AttachTransfer(stream, *this);
    if (png_sig_cmp(signature, 0, sizeof signature) != 0) throw EPngError("Is not a valid PNG !");

    PngSession session;
    SessionStructs structs(session, false);
    session.png = png_create_read_struct_2(kPngVersionText, &session, OnPngError, OnPngWarning,
                                           nullptr, LimitedMalloc, LibpngFree);
    if (!session.png) throw EPngError("Cannot set up libpng for reading");
    Progress(*this, ProgressStage::Starting, 0, false, Rect{}, "Start PNG read");
    session.info = png_create_info_struct(session.png);
    if (!session.info) throw EPngError("Failed to Create info struct");

    ReadHeader header;
    if (!ReadInfoStage(&session, &header)) RaiseFailure(session);
    TakeTexts(*this, header.text, header.textCount);
    TakeHeader(*this, header);
    const ReadPlan plan = PlanTransforms(*this, header);
    ReadLayout layout;
    if (!ReadTransformStage(&session, &plan, &layout)) RaiseFailure(session);
    const bool rowByRow = OnRowDecoded && !plan.interlaced;
    TakeLayout(*this, plan, layout, !rowByRow);

    ReadTail tail;
    if (rowByRow) {
        FreeRows();
        std::vector<png_byte> row(layout.rowBytes);
        if (!ReadRowByRowStage(&session, this, row.data(), bool(OnProgress), &tail))
            RaiseFailure(session);
        if (tail.hasTime) Time = TimeFromPng(tail.time);
        Progress(*this, ProgressStage::Ending, 100, false, Rect{}, "Ended PNG read");
        return;
    }
    AllocateRows();
    png_bytepp rows = pixelData_ ? rowPointers_.data() : nullptr;
    const bool reportRows = OnProgress || OnRowsRead;
    if (!ReadRowsStage(&session, rows, reportRows, &tail)) {
        // Rows the file never delivered were never written: drop them all rather than keep
        // memory nobody set.
        if (!tail.rowsRead) FreeRows();
        RaiseFailure(session);
    }
    if (tail.hasTime) Time = TimeFromPng(tail.time);
    if (OnRowsRead && rows && InterlaceType != PNG_INTERLACE_NONE) OnRowsRead(Height);
    if (OnRowDecoded && rows)
        for (std::uint32_t y = 0; y < Height; ++y) OnRowDecoded(y, rowPointers_[y]);
    Progress(*this, ProgressStage::Ending, 100, false, Rect{}, "Ended PNG read");
}
