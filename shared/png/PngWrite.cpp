// Writing: the whole libpng write sequence in one stage, fed by a plan made from the image.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Errors.h"
#include "PngChunks.h"
#include "PngDeflateRanges.h"
#include "PngFilterChoice.h"
#include "PngImage.h"
#include "PngRowFiltersAhead.h"
#include "PngSession.h"

using namespace pngcodec;

namespace {

struct WritePlan {
    int compressionLevel = 0;
    HeaderFields ihdr;
    png_color palette[256] = {};
    int paletteCount = 0;
    png_text text[4] = {};
    int textCount = 0;
    int filterFlags = 0;
    png_bytepp rows = nullptr;
    // Instead of rows: each row made into madeRow as the write reaches it.
    const std::function<void(std::uint32_t, std::uint8_t*)>* makeRow = nullptr;
    png_bytep madeRow = nullptr;
    // The filter of each row after the first, chosen ahead; null leaves every choice to libpng.
    RowFiltersAhead* rowFilters = nullptr;
    // Rows still being made: each is written once the gate has opened it.
    RowGate* gate = nullptr;
    // Told of each row written, so that its memory can be used again.
    RowGate* written = nullptr;
    // Instead of handing rows to libpng: the image data compressed a range of rows at a time.
    DeflateRanges* ranges = nullptr;
    bool rowsBlueFirst = false;
    bool reportRows = false;
};

bool RowsNeverCame(PngSession* session) {
    std::snprintf(session->message, sizeof session->message, "%s",
                  "The image was not finished, so it was not written");
    return false;
}

// What libpng's own writer puts after the image data: the time, as png_write_tIME checks it,
// and the end.
void WriteEnd(png_structp png) {
    const png_time stamp = LocalTimeStamp();
    if (stamp.month >= 1 && stamp.month <= 12 && stamp.day >= 1 && stamp.day <= 31 &&
        stamp.hour <= 23 && stamp.second <= 60) {
        png_byte time[7];
        png_save_uint_16(time, stamp.year);
        time[2] = stamp.month;
        time[3] = stamp.day;
        time[4] = stamp.hour;
        time[5] = stamp.minute;
        time[6] = stamp.second;
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("tIME"), time, sizeof time);
    }
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
}

bool WriteRanges(PngSession* session, const WritePlan* plan) {
    png_structp png = session->png;
    const std::uint8_t* piece = nullptr;
    std::size_t size = 0;
    for (;;) {
        if (!plan->ranges->Next(&piece, &size)) {
            std::snprintf(session->message, sizeof session->message, "%s",
                          plan->ranges->Failure().c_str());
            return false;
        }
        if (size == 0) break;
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), piece, size);
        if (plan->reportRows) RowProgress(png, plan->ranges->RowsDone(), 0);
    }
    WriteEnd(png);
    return true;
}

[[gnu::noinline]] bool WriteStage(PngSession* session, const WritePlan* plan, bool* rowsWritten) {
    png_structp png = session->png;
    png_infop info = session->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, session, StreamWrite, StreamFlush);
    png_set_compression_level(png, plan->compressionLevel);
    const HeaderFields& ihdr = plan->ihdr;
    png_set_IHDR(png, info, ihdr.width, ihdr.height, ihdr.bitDepth, ihdr.colourType,
                 ihdr.interlaceType, ihdr.compressionType, ihdr.filterType);
    if (ihdr.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, plan->palette, plan->paletteCount);
    for (int i = 0; i < plan->textCount; ++i) png_set_text(png, info, &plan->text[i], 1);
    png_write_info(png, info);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, plan->filterFlags);
    if (plan->ranges) {
        if (!WriteRanges(session, plan)) return false;
        *rowsWritten = true;
    } else if (plan->rows || plan->makeRow) {
        if (ihdr.bitDepth == 16) png_set_swap(png);
        if (plan->rowsBlueFirst) png_set_bgr(png);
        if (plan->reportRows) png_set_write_status_fn(png, RowProgress);
        const bool interlaced = ihdr.interlaceType != PNG_INTERLACE_NONE;
        // Interlacing goes over the image several times: it waits for all rows.
        if (plan->gate && interlaced && !plan->gate->WaitFor(ihdr.height))
            return RowsNeverCame(session);
        if (plan->rowFilters || plan->written || plan->makeRow || (plan->gate && !interlaced)) {
            // libpng's own choice on the first row makes it keep the row above for the rest.
            for (png_uint_32 y = 0; y < ihdr.height; ++y) {
                if (plan->gate && !plan->gate->WaitFor(y + 1)) return RowsNeverCame(session);
                if (y > 0 && plan->rowFilters)
                    png_set_filter(png, PNG_FILTER_TYPE_BASE, plan->rowFilters->Filter(y));
                png_bytep row = plan->madeRow;
                if (plan->makeRow)
                    (*plan->makeRow)(y, row);
                else
                    row = plan->rows[y];
                png_write_row(png, row);
                if (plan->written) plan->written->Open(y + 1);
            }
        } else {
            png_write_image(png, plan->rows);
        }
        png_time stamp = LocalTimeStamp();
        png_set_tIME(png, info, &stamp);
        png_write_end(png, info);
        *rowsWritten = true;
    }
    return true;
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

// libpng takes Height rows of the size the header implies from the row pointers; rows that do
// not match would be read past their end. A header libpng rejects is left for it to report.
void CheckRowsMatchHeader(const TPngImage& image, bool hasRows, std::size_t rowCount,
                          std::int64_t rowBytes) {
    int samples = SamplesPerPixel(image.ColourType);
    int depth = image.BitDepth;
    bool knownDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    if (image.Width == 0 || image.Height == 0 || samples == 0 || !knownDepth) return;
    std::uint64_t needed =
        (std::uint64_t(image.Width) * std::uint64_t(samples) * std::uint64_t(depth) + 7) / 8;
    if (!hasRows || rowCount != image.Height || rowBytes < 0 || std::uint64_t(rowBytes) < needed)
        throw EPngError("Image data does not match its header");
}

// Everything but the rows, which only the image itself hands out writable.
WritePlan PlanWrite(TPngImage& image) {
    WritePlan plan;
    plan.compressionLevel = image.CompressionLevel;
    plan.ihdr = HeaderFieldsOf(image);
    for (int i = 0; i < 256; ++i)
        plan.palette[i] = {image.Palette[i].red, image.Palette[i].green, image.Palette[i].blue};
    plan.paletteCount = image.PaletteCount;
    plan.textCount = TextsToWrite(image, plan.text);
    plan.filterFlags = image.FilterFlags;
    plan.reportRows = bool(image.OnProgress);
    return plan;
}

}  // namespace

void TPngImage::SaveToFile(const std::string& fileName) {
    ReplacingFileStream file(fileName);
    SaveToStream(file);
    file.Commit();
}

void TPngImage::SaveToStream(Stream& stream) {
    OperationGuard running;
    AttachTransfer(stream, *this);

    PngSession session;
    SessionStructs structs(session, true);
    session.png = png_create_write_struct(kPngVersionText, &session, OnPngError, OnPngWarning);
    Progress(*this, ProgressStage::Starting, 0, false, Rect{}, "Starting PNG write");
    if (!session.png) throw EPngError("Cannot set up libpng for writing");
    session.info = png_create_info_struct(session.png);
    if (!session.info) throw EPngError("Failed to Create info struct");

    WritePlan plan = PlanWrite(*this);
    plan.gate = RowsArriving;
    plan.written = InterlaceType == PNG_INTERLACE_NONE ? RowsWritten : nullptr;
    std::vector<std::uint8_t> madeRow;
    if (MakeRow) {
        // The loop that writes made rows goes over the image once.
        if (InterlaceType != PNG_INTERLACE_NONE)
            throw EPngError("Rows made during the write cannot be interlaced");
        CheckRowsMatchHeader(*this, true, Height, RowBytes);
        madeRow.resize(std::size_t(std::max(RowBytes, 0)));
        plan.makeRow = &MakeRow;
        plan.madeRow = madeRow.data();
    } else if (tableRows_) {
        CheckRowsMatchHeader(*this, true, Height, borrowedRowBytes_);
        plan.rows = const_cast<png_bytepp>(tableRows_);
        plan.rowsBlueFirst = borrowedBgr_;
    } else if (!borrowedRows_.empty()) {
        CheckRowsMatchHeader(*this, true, borrowedRows_.size(), borrowedRowBytes_);
        plan.rows = borrowedRows_.data();
        plan.rowsBlueFirst = borrowedBgr_;
    } else {
        CheckRowsMatchHeader(*this, bool(pixelData_), rowPointers_.size(), RowBytes);
        plan.rows = pixelData_ ? rowPointers_.data() : nullptr;
    }
    std::optional<DeflateRanges> ranges;
    std::optional<RowFiltersAhead> rowFilters;
    const std::uint64_t rowBytes =
        (std::uint64_t(Width) * std::uint64_t(SamplesPerPixel(ColourType)) *
             std::uint64_t(std::max(BitDepth, 0)) +
         7) /
        8;
    if ((plan.rows || plan.makeRow) && InterlaceType == PNG_INTERLACE_NONE && BitDepth <= 8 &&
        rowBytes > 0 && Height > 0 && rowBytes * Height >= RangesFromBytes) {
        RangeRowSource source;
        source.rows = plan.rows;
        source.makeRow = plan.makeRow;
        source.arriving = RowsArriving;
        source.written = plan.written;
        source.blueFirst = plan.rowsBlueFirst;
        RangeLayout layout;
        layout.height = Height;
        layout.rowBytes = std::size_t(rowBytes);
        layout.bytesPerPixel = std::max(1, SamplesPerPixel(ColourType) * BitDepth / 8);
        layout.usableFilters = UsableFilters(FilterFlags, Width, Height);
        layout.compressionLevel = CompressionLevel;
        layout.rangeRows = RangeRows;
        plan.ranges = &ranges.emplace(source, layout);
    } else if ((plan.rows || plan.makeRow) && FiltersChosenAhead && BitDepth == 8 &&
               InterlaceType == PNG_INTERLACE_NONE && Height > 1) {
        const int bytesPerPixel = SamplesPerPixel(ColourType);
        rowFilters.emplace(plan.rows, Height, std::size_t(Width) * bytesPerPixel, bytesPerPixel,
                           UsableFilters(FilterFlags, Width, Height), RowsArriving, plan.makeRow);
        plan.rowFilters = &*rowFilters;
    }
    bool rowsWritten = false;
    if (!WriteStage(&session, &plan, &rowsWritten)) RaiseFailure(session);
    if (rowsWritten) Progress(*this, ProgressStage::Ending, 100, false, Rect{}, "Ended PNG write");
}
