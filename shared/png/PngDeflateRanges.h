#pragma once
// The image data of a large PNG compressed on every core: the rows are cut into ranges, each
// range is filtered and deflated on its own (the last byte of a range's deflate output ends on
// a sync flush, the last range's on the final block), and the pieces follow one another behind
// one zlib header with the Adler-32 of all the filtered rows. zlib reads the result as one
// stream, and every row carries the filter libpng would have chosen for it, so the file decodes
// to the same pixels as one written row by row; only the compressed bytes differ, by a few
// bytes at each range's start, which has no earlier data to refer to.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "RowGate.h"

namespace pngcodec {

// Where the rows come from, as the write was planned: held rows, or rows made on request (from
// any thread, in any order), or rows still being made behind a gate. Rows behind a gate that
// also has a written gate are copied out first, so that their memory can be used again at once.
struct RangeRowSource {
    const std::uint8_t* const* rows = nullptr;
    const std::function<void(std::uint32_t, std::uint8_t*)>* makeRow = nullptr;
    RowGate* arriving = nullptr;
    RowGate* written = nullptr;
    // Three-byte pixels held blue first, written red first.
    bool blueFirst = false;
};

struct RangeLayout {
    std::uint32_t height = 0;
    std::size_t rowBytes = 0;
    int bytesPerPixel = 1;
    int usableFilters = 0;  // PNG_FILTER_* flags, as UsableFilters gives them
    int compressionLevel = 4;
    std::uint32_t rangeRows = 0;  // 0: a few megabytes of rows a range
    unsigned threads = 0;         // 0: one a core
};

class DeflateRanges {
public:
    // The pieces of this size or less that make up the image data, as libpng's IDAT chunks.
    static constexpr std::size_t kPieceBytes = 8192;

    DeflateRanges(const RangeRowSource& source, const RangeLayout& layout);
    ~DeflateRanges();
    DeflateRanges(const DeflateRanges&) = delete;
    DeflateRanges& operator=(const DeflateRanges&) = delete;

    // The next piece of the zlib stream, waiting for it; a size of 0 once all were given.
    // False when the rows never came or compressing failed: see Failure.
    bool Next(const std::uint8_t** piece, std::size_t* size) noexcept;
    const std::string& Failure() const { return failure_; }
    // Rows whose compressed data has all been handed out.
    std::uint32_t RowsDone() const { return rowsDone_; }

private:
    struct Range;
    std::uint32_t RangeCount() const;
    std::uint32_t FirstRow(std::uint32_t range) const;
    std::uint32_t EndRow(std::uint32_t range) const;
    // The writer's side: takes in rows while a range slot is free, without waiting once the
    // range to hand out next is ready.
    bool TakeRows() noexcept;
    bool TakeRow(std::uint32_t y);
    void Work(std::stop_token stop) noexcept;
    void Compress(std::uint32_t index) noexcept;
    void Fail(const std::string& message);

    RangeRowSource source_;
    RangeLayout layout_;
    bool copied_;  // rows are copied into the ranges by the writer
    std::vector<std::unique_ptr<Range>> slots_;
    std::vector<std::uint8_t> zeros_;
    std::vector<std::uint8_t> lastRow_;  // the row above the range being taken in

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::uint32_t rangesReady_ = 0;      // ranges whose rows can all be read
    std::uint32_t rangesClaimed_ = 0;    // ranges a worker has started
    std::uint32_t rangesHandedOut_ = 0;  // ranges whose data has left through Next
    std::string failure_;
    bool failed_ = false;

    // The writer's own state.
    std::uint32_t rowsTaken_ = 0;
    std::uint32_t rowsDone_ = 0;
    std::uint64_t adler_ = 1;
    std::size_t handedOutOfRange_ = 0;  // bytes of the current range already in pieces
    int stage_ = 0;                     // 0 header, 1 ranges, 2 trailer, 3 done
    std::uint8_t piece_[kPieceBytes];

    // Last, so that the workers stop and are joined before the rest goes.
    std::vector<std::jthread> workers_;
};

}  // namespace pngcodec
