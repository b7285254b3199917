#include "ShorelineReadAhead.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "HandOver.h"

namespace {

// Large enough that handing a batch over and waking the next thread cost little, small enough
// to keep the threads busy.
constexpr std::size_t kBatchPoints = 32 * 1024;
constexpr std::size_t kBatchesAhead = 4;

// Points [begin, end) of a batch belong to one polygon; a long polygon continues in the next.
struct PolygonPart {
    TGSHHSHeader header;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool ends = false;       // its last point is here and the polygon was read to its end
    bool continues = false;  // it goes on from the last part of the batch before
};

// Points as read from the file, for the converting thread: the first count of points.
struct RawBatch {
    std::vector<PolygonPart> parts;
    std::vector<TGSHHSPoint> points = std::vector<TGSHHSPoint>(kBatchPoints);
    std::size_t count = 0;
    std::exception_ptr failure;
    bool last = false;
    ShorelineReadEnd end;  // in the last batch

    void Clear() {
        parts.clear();
        count = 0;
        failure = nullptr;
        last = false;
        end = {};
    }
};

// Used pixels, thinned, for the callbacks.
struct PixelBatch {
    std::vector<PolygonPart> parts;
    std::vector<std::int32_t> indices;
    std::vector<Point> pixels;
    std::vector<PointF> positions;
    std::exception_ptr failure;
    bool last = false;
    ShorelineReadEnd end;  // in the last batch

    void Clear() {
        parts.clear();
        indices.clear();
        pixels.clear();
        positions.clear();
        failure = nullptr;
        last = false;
        end = {};
    }
};

struct Stopped {};

template <class Batch>
class BatchQueue {
public:
    // Throws Stopped once the consumer has stopped.
    void Push(Batch batch) {
        {
            std::unique_lock lock(mutex_);
            notFull_.wait(lock, [this] { return batches_.size() < kBatchesAhead || stopped_; });
            if (stopped_) throw Stopped{};
            batches_.push_back(std::move(batch));
            notEmpty_.notify_one();
        }
        handover::At(handover::Side::Given);
    }
    // Throws Stopped once the consumer has stopped and nothing is left.
    Batch Pop() {
        std::optional<Batch> batch;
        {
            std::unique_lock lock(mutex_);
            notEmpty_.wait(lock, [this] { return !batches_.empty() || stopped_; });
            if (batches_.empty()) throw Stopped{};
            batch.emplace(std::move(batches_.front()));
            batches_.pop_front();
            notFull_.notify_one();
        }
        handover::At(handover::Side::Taken);
        return std::move(*batch);
    }
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        notFull_.notify_all();
        notEmpty_.notify_all();
    }
    // Batches go round: one used up comes back for the producer to fill again, so that their
    // memory is not given back to the system and cleared anew for each.
    void Recycle(Batch batch) {
        batch.Clear();
        std::lock_guard lock(mutex_);
        if (spares_.size() < kBatchesAhead) spares_.push_back(std::move(batch));
    }
    Batch Spare() {
        std::lock_guard lock(mutex_);
        if (spares_.empty()) return Batch{};
        Batch batch = std::move(spares_.back());
        spares_.pop_back();
        return batch;
    }

private:
    std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    std::deque<Batch> batches_;
    std::vector<Batch> spares_;
    bool stopped_ = false;
};

// First stage: headers and points in file order, the unwanted polygons skipped, as
// ReadShorelines reads them. A polygon ends once its points are read, or the file ends inside
// it; a failure ends nothing.
void ReadRawPoints(const std::string& path, const ShorelineCallbacks& wanted,
                   BatchQueue<RawBatch>& out) {
    RawBatch batch;
    auto handOver = [&] {
        out.Push(std::move(batch));
        batch = out.Spare();
    };
    try {
        ShorelineReader reader(path);
        TGSHHSHeader header;
        while (reader.ReadHeader(header)) {
            if (wanted.Select && !wanted.Select(header)) {
                reader.SkipPoints(header);
                continue;
            }
            if (batch.count >= kBatchPoints) handOver();
            batch.parts.push_back({header, batch.count, batch.count});
            const std::size_t count = header.NumPoints > 0 ? std::size_t(header.NumPoints) : 0;
            for (std::size_t read = 0; read < count;) {
                if (batch.count >= kBatchPoints) {
                    handOver();
                    batch.parts.push_back({header, 0, 0, false, true});
                }
                const std::size_t room = std::min(count - read, kBatchPoints - batch.count);
                const std::size_t got =
                    reader.ReadPoints({batch.points.data() + batch.count, room});
                batch.count += got;
                batch.parts.back().end = batch.count;
                if (got == 0) break;
                read += got;
            }
            batch.parts.back().ends = true;
        }
        batch.end = reader.End();
    } catch (const Stopped&) {
        return;
    } catch (...) {
        batch.failure = std::current_exception();
    }
    batch.last = true;
    try {
        out.Push(std::move(batch));
    } catch (const Stopped&) {
    }
}

// Second stage: the points mapped and thinned exactly as ReadShorelines does, a polygon's
// point count and thinning carried over from batch to batch.
void ConvertPoints(int width, int height, LongitudeWrap wrap, BatchQueue<RawBatch>& in,
                   BatchQueue<PixelBatch>& out) {
    std::vector<PointF> positions;
    std::vector<Point> pixels;
    PointThinner thinner(0);
    for (;;) {
        RawBatch raw = in.Pop();
        positions.resize(raw.count);
        pixels.resize(raw.count);
        GeoToPixels({raw.points.data(), raw.count}, positions, pixels, width, height, wrap);
        PixelBatch batch = out.Spare();
        for (const PolygonPart& part : raw.parts) {
            if (!part.continues) thinner = PointThinner(part.header.NumPoints);
            const std::size_t begin = batch.pixels.size();
            const std::size_t count = part.end - part.begin;
            thinner.UseNext({pixels.data() + part.begin, count},
                            {positions.data() + part.begin, count},
                            [&](std::int32_t index, Point pixel, PointF position) {
                                batch.indices.push_back(index);
                                batch.pixels.push_back(pixel);
                                batch.positions.push_back(position);
                            });
            batch.parts.push_back({part.header, begin, batch.pixels.size(), part.ends, false});
        }
        batch.failure = raw.failure;
        batch.last = raw.last;
        batch.end = raw.end;
        out.Push(std::move(batch));
        if (raw.last) return;
        in.Recycle(std::move(raw));
    }
}

// The second stage on its thread: a consumer that stopped stops the reading too, and any other
// failure reaches the consumer in place of the rest.
void ConvertOrStop(int width, int height, LongitudeWrap wrap, BatchQueue<RawBatch>& in,
                   BatchQueue<PixelBatch>& out) noexcept {
    try {
        ConvertPoints(width, height, wrap, in, out);
        return;
    } catch (const Stopped&) {
    } catch (...) {
        PixelBatch failed;
        failed.failure = std::current_exception();
        failed.last = true;
        try {
            out.Push(std::move(failed));
        } catch (...) {
        }
    }
    in.Stop();
}

}  // namespace

ShorelineReadEnd ReadShorelinesAhead(const std::string& path, int width, int height,
                                     LongitudeWrap wrap, const ShorelineCallbacks& callbacks,
                                     const std::function<void()>& meanwhile) {
    BatchQueue<RawBatch> raw;
    BatchQueue<PixelBatch> converted;
    std::jthread reader;
    std::jthread converter;
    // Declared after the threads, so that it runs first on the way out: stopped queues let
    // both threads end before they are joined.
    struct StopQueues {
        BatchQueue<RawBatch>& raw;
        BatchQueue<PixelBatch>& converted;
        ~StopQueues() {
            raw.Stop();
            converted.Stop();
        }
    } stopQueues{raw, converted};
    try {
        reader = std::jthread([&] { ReadRawPoints(path, callbacks, raw); });
        converter = std::jthread([&] { ConvertOrStop(width, height, wrap, raw, converted); });
    } catch (const std::system_error&) {
        // Without the threads, read on this one.
        raw.Stop();
        if (reader.joinable()) reader.join();
        if (meanwhile) meanwhile();
        return ReadShorelines(path, width, height, wrap, callbacks);
    }
    if (meanwhile) meanwhile();

    std::vector<Point> polygon;  // gathered only for OnPolygon
    for (;;) {
        PixelBatch batch = converted.Pop();
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
        if (batch.last) return batch.end;
        converted.Recycle(std::move(batch));
    }
}
