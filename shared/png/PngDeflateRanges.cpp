#include "PngDeflateRanges.h"

#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <exception>
#include <system_error>

#include "PngDef.h"
#include "PngFilterChoice.h"

namespace pngcodec {

namespace {

// Large enough that the history lost at each range's start costs nothing measurable, small
// enough that both cores have ranges to work on soon after the first rows arrive.
constexpr std::size_t kRangeBytes = std::size_t(4) << 20;
constexpr const char* kNotFinished = "The image was not finished, so it was not written";

// zlib's manual made its run-length strategy for PNG image data: on our images it deflates two
// to three times as fast as level 4, in files from a tenth smaller to a sixth larger.
constexpr int kStrategy = Z_RLE;

// zlib's own header for a 32 KB window, as deflate writes it for a strategy from Huffman-only
// on, which states no level.
constexpr std::uint16_t ZlibHeader() {
    unsigned header = (Z_DEFLATED + ((15 - 8) << 4)) << 8;
    header += 31 - header % 31;
    return std::uint16_t(header);
}

// zlib's Adler-32, 16 bytes at a time: zlib 1.2 adds them one by one, which was a tenth of the
// time a large image took to write.
uLong Adler32(uLong adler, const std::uint8_t* bytes, std::size_t count) {
#if defined(__SSE2__)
    constexpr std::uint32_t kBase = 65521;
    // Blocks a run can take before the sums could pass 32 bits, as zlib's NMAX.
    constexpr std::size_t kRunBlocks = 5552 / 16;
    std::uint64_t sum1 = adler & 0xFFFF;
    std::uint64_t sum2 = adler >> 16;
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstWeights = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
    const __m128i lastWeights = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
    while (count >= 16) {
        const std::size_t blocks = std::min(count / 16, kRunBlocks);
        count -= blocks * 16;
        sum2 += sum1 * 16 * blocks;
        __m128i blockSums = zero;   // of the bytes so far, in lanes 0 and 2
        __m128i sumsBefore = zero;  // of blockSums before each block
        __m128i weighted = zero;
        for (std::size_t i = 0; i < blocks; ++i, bytes += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
            sumsBefore = _mm_add_epi32(sumsBefore, blockSums);
            blockSums = _mm_add_epi32(blockSums, _mm_sad_epu8(block, zero));
            weighted = _mm_add_epi32(weighted,
                                     _mm_madd_epi16(_mm_unpacklo_epi8(block, zero), firstWeights));
            weighted = _mm_add_epi32(weighted,
                                     _mm_madd_epi16(_mm_unpackhi_epi8(block, zero), lastWeights));
        }
        alignas(16) std::uint32_t lanes[3][4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), blockSums);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), _mm_slli_epi32(sumsBefore, 4));
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
        for (int lane = 0; lane < 4; ++lane) {
            sum1 += lanes[0][lane];
            sum2 += std::uint64_t(lanes[1][lane]) + lanes[2][lane];
        }
        sum1 %= kBase;
        sum2 %= kBase;
    }
    for (; count > 0; --count) {
        sum1 += *bytes++;
        sum2 += sum1;
    }
    return uLong((sum2 % kBase) << 16 | (sum1 % kBase));
#else
    return adler32_z(adler, bytes, count);
#endif
}

class DeflateStream {
public:
    DeflateStream(int level, int strategy) {
        // A negative window: raw deflate, the header and check being written for the whole.
        if (deflateInit2(&stream_, level, Z_DEFLATED, -15, 8, strategy) != Z_OK)
            throw std::runtime_error("Cannot set up zlib for writing");
    }
    ~DeflateStream() { deflateEnd(&stream_); }
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;
    z_stream* operator->() { return &stream_; }
    z_stream* Get() { return &stream_; }

private:
    z_stream stream_{};
};

}  // namespace

struct DeflateRanges::Range {
    std::uint32_t index = 0;
    bool done = false;
    std::unique_ptr<std::uint8_t[]> rows;  // when copied: the row above, then the range's rows
    std::unique_ptr<std::uint8_t[]> packed;
    std::size_t capacity = 0;
    std::size_t packedSize = 0;
    uLong adler = 1;
    std::vector<std::uint8_t> scratch;  // two rows as written, the filtered candidates
};

DeflateRanges::DeflateRanges(const RangeRowSource& source, const RangeLayout& layout)
    : source_(source), layout_(layout), zeros_(layout.rowBytes, 0) {
    copied_ = source_.written && source_.rows && !source_.makeRow;
    if (layout_.rangeRows == 0)
        layout_.rangeRows = std::uint32_t(
            std::clamp<std::size_t>(kRangeBytes / std::max<std::size_t>(layout_.rowBytes, 1), 1,
                                    std::max<std::uint32_t>(layout_.height, 1)));
    unsigned threads = layout_.threads ? layout_.threads : std::thread::hardware_concurrency();
    threads = std::clamp(threads, 1u, 8u);
    const std::size_t rowBytes = layout_.rowBytes;
    for (unsigned i = 0; i < threads + 1; ++i) {
        auto range = std::make_unique<Range>();
        if (copied_)
            range->rows =
                std::make_unique_for_overwrite<std::uint8_t[]>((layout_.rangeRows + 1) * rowBytes);
        range->scratch.resize(2 * rowBytes + 5 * (rowBytes + 1));
        slots_.push_back(std::move(range));
    }
    if (copied_) lastRow_.resize(rowBytes);
    try {
        for (unsigned i = 0; i < threads; ++i)
            workers_.emplace_back([this](std::stop_token stop) { Work(stop); });
    } catch (const std::system_error&) {
        // With fewer threads, or none, the writer compresses what no worker takes.
    }
}

DeflateRanges::~DeflateRanges() {
    for (std::jthread& worker : workers_) worker.request_stop();
}

std::uint32_t DeflateRanges::RangeCount() const {
    return std::uint32_t((std::uint64_t(layout_.height) + layout_.rangeRows - 1) /
                         layout_.rangeRows);
}

std::uint32_t DeflateRanges::FirstRow(std::uint32_t range) const {
    return std::uint32_t(std::uint64_t(range) * layout_.rangeRows);
}

std::uint32_t DeflateRanges::EndRow(std::uint32_t range) const {
    return std::uint32_t(
        std::min<std::uint64_t>(std::uint64_t(range + 1) * layout_.rangeRows, layout_.height));
}

void DeflateRanges::Fail(const std::string& message) {
    {
        std::lock_guard lock(mutex_);
        if (!failed_) failure_ = message;
        failed_ = true;
    }
    changed_.notify_all();
}

bool DeflateRanges::TakeRow(std::uint32_t y) {
    if (source_.arriving && !source_.arriving->WaitFor(y + 1)) {
        Fail(kNotFinished);
        return false;
    }
    const std::uint32_t index = y / layout_.rangeRows;
    Range& range = *slots_[index % slots_.size()];
    const std::uint32_t first = FirstRow(index);
    const std::size_t rowBytes = layout_.rowBytes;
    if (y == first && y > 0) std::memcpy(range.rows.get(), lastRow_.data(), rowBytes);
    std::memcpy(range.rows.get() + (y + 1 - first) * rowBytes, source_.rows[y], rowBytes);
    if (y + 1 == EndRow(index)) std::memcpy(lastRow_.data(), source_.rows[y], rowBytes);
    // The copies are all this writer reads from now on.
    source_.written->Open(y + 1);
    return true;
}

bool DeflateRanges::TakeRows() noexcept {
    try {
        const std::uint32_t count = RangeCount();
        while (rangesReady_ < count && rangesReady_ < rangesHandedOut_ + slots_.size()) {
            if (rangesReady_ > rangesHandedOut_) {
                std::lock_guard lock(mutex_);
                if (failed_) return false;
                // Handing that one out first frees its slot for the rows to come.
                if (slots_[rangesHandedOut_ % slots_.size()]->done) break;
            }
            const std::uint32_t index = rangesReady_;
            if (copied_) {
                while (rowsTaken_ < EndRow(index))
                    if (!TakeRow(rowsTaken_++)) return false;
            } else if (source_.arriving && !source_.arriving->WaitFor(EndRow(index))) {
                Fail(kNotFinished);
                return false;
            }
            {
                std::lock_guard lock(mutex_);
                Range& range = *slots_[index % slots_.size()];
                range.index = index;
                range.done = false;
                ++rangesReady_;
            }
            changed_.notify_all();
        }
        return true;
    } catch (const std::exception& error) {
        Fail(error.what());
    }
    return false;
}

void DeflateRanges::Work(std::stop_token stop) noexcept {
    for (;;) {
        std::uint32_t index = 0;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait(lock, stop,
                               [&] { return failed_ || rangesClaimed_ < rangesReady_; }))
                return;
            if (failed_) return;
            index = rangesClaimed_++;
        }
        Compress(index);
    }
}

void DeflateRanges::Compress(std::uint32_t index) noexcept {
    Range& range = *slots_[index % slots_.size()];
    const std::uint32_t first = FirstRow(index);
    const std::uint32_t end = EndRow(index);
    const std::size_t rowBytes = layout_.rowBytes;
    try {
        DeflateStream deflater(layout_.compressionLevel, kStrategy);
        const uLong rawBytes = uLong(end - first) * uLong(rowBytes + 1);
        // A sync flush adds an empty stored block to what a finished stream would take.
        const std::size_t bound = deflateBound(deflater.Get(), rawBytes) + 64;
        if (range.capacity < bound) {
            range.packed.reset();
            range.packed = std::make_unique_for_overwrite<std::uint8_t[]>(bound);
            range.capacity = bound;
        }
        deflater->next_out = range.packed.get();
        deflater->avail_out = uInt(std::min<std::size_t>(range.capacity, 0x7FFFFFFF));
        std::uint8_t* const copies[2] = {range.scratch.data(), range.scratch.data() + rowBytes};
        std::uint8_t* const candidates = range.scratch.data() + 2 * rowBytes;
        // Row y in the bytes the file holds, in copies[y % 2] where it has to be made.
        auto rowAt = [&](std::uint32_t y) -> const std::uint8_t* {
            std::uint8_t* copy = copies[y % 2];
            if (source_.makeRow) {
                (*source_.makeRow)(y, copy);
                return copy;
            }
            const std::uint8_t* held =
                copied_ ? range.rows.get() + (y + 1 - first) * rowBytes : source_.rows[y];
            if (!source_.blueFirst) return held;
            for (std::size_t i = 0; i + 2 < rowBytes; i += 3) {
                copy[i] = held[i + 2];
                copy[i + 1] = held[i + 1];
                copy[i + 2] = held[i];
            }
            return copy;
        };
        uLong adler = adler32(0, nullptr, 0);
        const std::uint8_t* above = first == 0 ? zeros_.data() : rowAt(first - 1);
        for (std::uint32_t y = first; y < end; ++y) {
            const std::uint8_t* row = rowAt(y);
            const std::uint8_t* filtered = FilterRowAsChosen(
                row, above, rowBytes, layout_.bytesPerPixel, layout_.usableFilters, candidates);
            adler = Adler32(adler, filtered, rowBytes + 1);
            const int flush = y + 1 < end             ? Z_NO_FLUSH
                              : end == layout_.height ? Z_FINISH
                                                      : Z_SYNC_FLUSH;
            deflater->next_in = const_cast<std::uint8_t*>(filtered);
            deflater->avail_in = uInt(rowBytes + 1);
            for (;;) {
                if (deflater->avail_out == 0) {
                    // Past the bound: only a zlib that bounds differently gets here.
                    const std::size_t used = range.capacity;
                    auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(2 * used);
                    std::memcpy(larger.get(), range.packed.get(), used);
                    range.packed = std::move(larger);
                    range.capacity = 2 * used;
                    deflater->next_out = range.packed.get() + used;
                    deflater->avail_out = uInt(std::min<std::size_t>(used, 0x7FFFFFFF));
                }
                const int status = deflate(deflater.Get(), flush);
                if (status == Z_STREAM_ERROR) throw std::runtime_error("zlib failed to compress");
                if (flush == Z_FINISH ? status == Z_STREAM_END
                                      : deflater->avail_in == 0 && deflater->avail_out != 0)
                    break;
            }
            above = row;
        }
        range.packedSize = std::size_t(deflater->next_out - range.packed.get());
        range.adler = adler;
        {
            std::lock_guard lock(mutex_);
            range.done = true;
        }
        changed_.notify_all();
    } catch (const std::exception& error) {
        Fail(error.what());
    } catch (...) {
        Fail("The image could not be compressed");
    }
}

bool DeflateRanges::Next(const std::uint8_t** piece, std::size_t* size) noexcept {
    enum { kHeader, kRanges, kTrailer, kDone };
    std::size_t filled = 0;
    while (filled < kPieceBytes && stage_ != kDone) {
        const std::size_t room = kPieceBytes - filled;
        if (stage_ == kHeader) {
            constexpr std::uint16_t header = ZlibHeader();
            piece_[filled++] = std::uint8_t(header >> 8);
            piece_[filled++] = std::uint8_t(header);
            stage_ = kRanges;
        } else if (stage_ == kTrailer) {
            if (room < 4) break;
            for (int shift = 24; shift >= 0; shift -= 8)
                piece_[filled++] = std::uint8_t(adler_ >> shift);
            if (source_.written && !copied_) source_.written->Open(layout_.height);
            stage_ = kDone;
        } else if (rangesHandedOut_ == RangeCount()) {
            stage_ = kTrailer;
        } else {
            if (!TakeRows()) return false;
            const std::uint32_t index = rangesHandedOut_;
            Range& range = *slots_[index % slots_.size()];
            {
                std::unique_lock lock(mutex_);
                if (workers_.empty() && rangesClaimed_ == index) {
                    ++rangesClaimed_;
                    lock.unlock();
                    Compress(index);
                    lock.lock();
                }
                changed_.wait(lock, [&] { return failed_ || range.done; });
                if (failed_) return false;
            }
            const std::size_t count = std::min(range.packedSize - handedOutOfRange_, room);
            std::memcpy(piece_ + filled, range.packed.get() + handedOutOfRange_, count);
            filled += count;
            handedOutOfRange_ += count;
            if (handedOutOfRange_ == range.packedSize) {
                const std::uint32_t rows = EndRow(index) - FirstRow(index);
                adler_ = adler32_combine(uLong(adler_), range.adler,
                                         z_off_t(rows) * z_off_t(layout_.rowBytes + 1));
                rowsDone_ = EndRow(index);
                handedOutOfRange_ = 0;
                {
                    std::lock_guard lock(mutex_);
                    ++rangesHandedOut_;
                }
                changed_.notify_all();
            }
        }
    }
    *piece = piece_;
    *size = filled;
    return true;
}

}  // namespace pngcodec
