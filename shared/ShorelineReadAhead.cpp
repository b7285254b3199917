#include "ShorelineReadAhead.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Large enough that handing a batch over costs little, small enough to keep both threads busy.
constexpr std::size_t kBatchPixels = 16 * 1024;
constexpr std::size_t kBatchesAhead = 4;

// Pixels [begin, end) of a batch belong to one polygon; a long polygon continues in the next.
struct PolygonPart {
    TGSHHSHeader header;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool ends = false;  // its last pixel is here and the polygon was read to its end
};

struct Batch {
    std::vector<PolygonPart> parts;
    std::vector<std::int32_t> indices;
    std::vector<Point> pixels;
    std::vector<PointF> positions;
    std::exception_ptr failure;
    bool last = false;
};

class BatchQueue {
public:
    // False once the consumer has stopped.
    bool Push(Batch batch) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [this] { return batches_.size() < kBatchesAhead || stopped_; });
        if (stopped_) return false;
        batches_.push_back(std::move(batch));
        notEmpty_.notify_one();
        return true;
    }
    Batch Pop() {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [this] { return !batches_.empty(); });
        Batch batch = std::move(batches_.front());
        batches_.pop_front();
        notFull_.notify_one();
        return batch;
    }
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        notFull_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    std::deque<Batch> batches_;
    bool stopped_ = false;
};

struct Stopped {};

void ReadAhead(const std::string& path, int width, int height, LongitudeWrap wrap,
               const ShorelineCallbacks& wanted, BatchQueue& queue) {
    Batch batch;
    auto handOver = [&] {
        if (!queue.Push(std::move(batch))) throw Stopped{};
        batch = Batch{};
    };
    ShorelineCallbacks callbacks;
    // A polygon ends where the next header is read or the file ends, not where reading failed.
    auto endPolygon = [&] {
        if (!batch.parts.empty()) batch.parts.back().ends = true;
    };
    callbacks.Select = [&](const TGSHHSHeader& header) {
        endPolygon();
        if (wanted.Select && !wanted.Select(header)) return false;
        if (batch.pixels.size() >= kBatchPixels) handOver();
        batch.parts.push_back({header, batch.pixels.size(), batch.pixels.size(), false});
        return true;
    };
    callbacks.OnPoint = [&](const TGSHHSHeader& header, std::int32_t index, Point pixel,
                            PointF position) {
        if (batch.pixels.size() >= kBatchPixels) {
            handOver();
            batch.parts.push_back({header, 0, 0, false});
        }
        batch.indices.push_back(index);
        batch.pixels.push_back(pixel);
        batch.positions.push_back(position);
        batch.parts.back().end = batch.pixels.size();
    };
    try {
        ReadShorelines(path, width, height, wrap, callbacks);
        endPolygon();
    } catch (const Stopped&) {
        return;
    } catch (...) {
        batch.failure = std::current_exception();
    }
    batch.last = true;
    queue.Push(std::move(batch));
}

}  // namespace

void ReadShorelinesAhead(const std::string& path, int width, int height, LongitudeWrap wrap,
                         const ShorelineCallbacks& callbacks) {
    BatchQueue queue;
    std::thread reader;
    try {
        reader = std::thread([&] { ReadAhead(path, width, height, wrap, callbacks, queue); });
    } catch (const std::system_error&) {
        ReadShorelines(path, width, height, wrap, callbacks);
        return;
    }
    struct StopAndJoin {
        BatchQueue& queue;
        std::thread& reader;
        ~StopAndJoin() {
            queue.Stop();
            reader.join();
        }
    } stopAndJoin{queue, reader};

    std::vector<Point> polygon;  // gathered only for OnPolygon
    for (;;) {
        const Batch batch = queue.Pop();
        for (const PolygonPart& part : batch.parts) {
            for (std::size_t i = part.begin; i < part.end; ++i) {
                if (callbacks.OnPolygon) polygon.push_back(batch.pixels[i]);
                if (callbacks.OnPoint)
                    callbacks.OnPoint(part.header, batch.indices[i], batch.pixels[i],
                                      batch.positions[i]);
            }
            if (part.ends) {
                if (callbacks.OnPolygon) callbacks.OnPolygon(part.header, polygon);
                polygon.clear();
            }
        }
        if (batch.failure) std::rethrow_exception(batch.failure);
        if (batch.last) return;
    }
}
