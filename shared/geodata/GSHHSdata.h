#pragma once
// GSHHS shoreline files: polygons back to back, each a 36-byte header followed by NumPoints
// 8-byte points, every integer big-endian, no file header, no padding. Coordinates are
// micro-degrees; Area counts tenths of a square kilometre.
//
// Reading stops cleanly at the end of the file: a trailing fragment shorter than a header is
// ignored, and a polygon cut short keeps the points read before the cut. A file is read only up
// to the length it had when it was opened, so a growing or endless file cannot keep a reader
// going. Counts are trusted only as far as the remaining bytes can hold points.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "Errors.h"
#include "GeoReference.h"
#include "Geometry.h"
#include "ReadOnlyFile.h"

struct TGSHHSHeader {
    std::int32_t Id;
    std::int32_t NumPoints;
    std::int32_t Level;  // 1 land, 2 lake, 3 island in a lake, 4 pond on such an island
    std::int32_t West;
    std::int32_t East;
    std::int32_t South;
    std::int32_t North;
    std::uint32_t Area;  // tenths of a square kilometre, compared unsigned
    std::int16_t Greenwich;
    std::int16_t Source;
};

struct TGSHHSPoint {
    std::int32_t Lon;  // micro-degrees east; 0 .. 360 and -180 .. 180 degrees both occur
    std::int32_t Lat;  // micro-degrees north
};

// Record sizes in the file, and the records to and from its bytes. The tools that write and
// check shoreline files use the same codec.
inline constexpr std::size_t kShorelineHeaderBytes = 36;
inline constexpr std::size_t kShorelinePointBytes = 8;
TGSHHSHeader DecodeShorelineHeader(const std::uint8_t* bytes);
TGSHHSPoint DecodeShorelinePoint(const std::uint8_t* bytes);
// As many points as the span holds, from that many records back to back.
void DecodeShorelinePoints(const std::uint8_t* bytes, std::span<TGSHHSPoint> points);
void AppendShorelineHeader(std::string& out, const TGSHHSHeader& header);
void AppendShorelinePoint(std::string& out, const TGSHHSPoint& point);

// A file whose first record is no polygon header ("<path> is not a GSHHS shoreline file"). Not an
// EInOutError: readers that end silently on a damaged file must not take a wrong one for it.
class ENotShorelineFile : public VarnholtError {
public:
    explicit ENotShorelineFile(const std::string& path);
};

// What a polygon header must hold to start a shoreline file of fileSize bytes: a level of 1 to
// 4, bounds within the world (longitudes -180 to 360 degrees, latitudes -90 to 90, south not
// north of north), and a point count of zero or more of which the file holds at least the first.
// Names say nothing: shoreline files come as .b, .dat, .bin or without an extension.
bool IsShorelineFileStart(const TGSHHSHeader& header, std::uint64_t fileSize);

// How a reading ended. A file cut inside a record keeps what was read before the cut; the
// polygons counted are those read whole, wanted or not.
struct ShorelineReadEnd {
    bool cut = false;
    std::size_t wholePolygons = 0;
};
// "<path>: shoreline file ends inside a record after N polygons"
std::string ShorelineCutText(const std::string& path, std::size_t wholePolygons);

// Longitudes of 360 degrees or more are brought down by 360 once (the shoreline viewer) or as
// often as needed (the height-image builder); the two differ only beyond 540 degrees.
enum class LongitudeWrap { Once, Repeat };

// Pixel of a whole-world equirectangular bitmap of width x height: the 180th meridian at both
// side edges, the north pole at the top. Degrees are held in single precision as the stored
// maps were made with; halves round to even. Column width and row height (the east edge and the
// south pole) are one past the bitmap and left for the drawing to clip.
Point GeoToPixel(const TGSHHSPoint& point, int width, int height, LongitudeWrap wrap);
// The same mapping as a world file holds it: column c is centred on longitude c x 360 / width
// - 180, row r on latitude 90 - r x 180 / height.
GeoTransform GeoToPixelTransform(int width, int height);
// The same position before rounding, for drawings that keep it exact.
PointF GeoToPosition(const TGSHHSPoint& point, int width, int height, LongitudeWrap wrap);
// GeoToPosition and GeoToPixel for a block of points, into as many entries as all spans hold.
void GeoToPixels(std::span<const TGSHHSPoint> points, std::span<PointF> positions,
                 std::span<Point> pixels, int width, int height, LongitudeWrap wrap);

// Drops points of one polygon that land on the pixel just used, except its first and its last
// point (index numPoints), which are always used. Indices count from 1.
class PointThinner {
public:
    explicit PointThinner(std::int32_t numPoints) : numPoints_(numPoints) {}
    // True when the point is used; it then becomes the pixel later points are compared with.
    bool Use(std::int32_t index, Point pixel) {
        const bool used = index == 1 || pixel != last_ || index == numPoints_;
        if (used) last_ = pixel;
        return used;
    }
    // Use for the next points of the polygon in turn, numbered on from those given before;
    // visit(index, pixel, position) sees each one used.
    template <class Visit>
    void UseNext(std::span<const Point> pixels, std::span<const PointF> positions, Visit&& visit) {
        for (std::size_t i = 0; i < pixels.size(); ++i)
            if (Use(++given_, pixels[i])) visit(given_, pixels[i], positions[i]);
    }
    // How many points UseNext was given.
    std::int32_t Given() const { return given_; }

private:
    std::int32_t numPoints_;
    Point last_{-1, -1};
    std::int32_t given_ = 0;
};

// Streams a GSHHS file through a buffer: headers and points are read in file order and the
// points of unwanted polygons are skipped without being read.
class ShorelineReader {
public:
    // Throws EFOpenError (an EInOutError) naming the file and the reason when it cannot be
    // opened.
    explicit ShorelineReader(const std::string& path);

    // False at the end of the file (fewer than 36 or 8 bytes left); throws EInOutError when the
    // system reports a read error. The first header must start a shoreline file
    // (IsShorelineFileStart); a file without one throws ENotShorelineFile.
    bool ReadHeader(TGSHHSHeader& header);
    bool ReadPoint(TGSHHSPoint& point);
    // Up to points.size() points, as many as are at hand in one go: at least one unless the
    // file ends, so zero means the end.
    std::size_t ReadPoints(std::span<TGSHHSPoint> points);
    // Moves past the header's points; a count of zero or less moves nowhere. Skipping beyond the
    // end is no error: the next ReadHeader returns false.
    void SkipPoints(const TGSHHSHeader& header);

    // Bytes between the current position and the end of the file.
    std::uint64_t RemainingBytes() const;
    // Once ReadHeader has returned false: whether the file ended inside a record.
    ShorelineReadEnd End() const { return end_; }
    // How many of the header's points the rest of the file can hold: the most worth reserving.
    std::size_t StorablePoints(const TGSHHSHeader& header) const;

private:
    bool ReadExactly(void* destination, std::size_t count);
    std::uint64_t Position() const { return bufferFileOffset_ + next_; }

    std::string path_;
    ReadOnlyFile file_;
    std::uint64_t fileSize_ = 0;
    std::size_t headers_ = 0;
    std::uint64_t polygonEnd_ = 0;  // where the last header's points end
    ShorelineReadEnd end_;
    std::vector<unsigned char> buffer_;
    std::uint64_t bufferFileOffset_ = 0;  // where buffer_[0] came from
    std::size_t next_ = 0;                // next unread byte in buffer_
    std::size_t filled_ = 0;              // valid bytes in buffer_
};

// The used pixels of one polygon whose header was just read, in order, mapped and thinned as
// above; onPoint (when given) sees each of them as it is read, with its point index and its
// unrounded position. Reading stops early, keeping what it has, when the file ends inside the
// polygon.
std::vector<Point> ReadPolygonPixels(
    ShorelineReader& reader, const TGSHHSHeader& header, int width, int height, LongitudeWrap wrap,
    const std::function<void(std::int32_t index, Point pixel, PointF position)>& onPoint = {});

struct ShorelineCallbacks {
    // Whether a polygon is wanted; the points of the others are skipped unread.
    std::function<bool(const TGSHHSHeader&)> Select;
    // Each used pixel of a wanted polygon as soon as it is read, with its unrounded position;
    // index 1 starts an outline.
    std::function<void(const TGSHHSHeader&, std::int32_t index, Point pixel, PointF position)>
        OnPoint;
    // All used pixels of a wanted polygon once its points are read (possibly none).
    std::function<void(const TGSHHSHeader&, const std::vector<Point>&)> OnPolygon;
};

// Reads a whole file, handing the wanted polygons to the callbacks in file order. Open, read and
// positioning failures throw EInOutError after the polygons read so far were handed over; the
// callers end their reading silently on it. A file that is no shoreline file throws
// ENotShorelineFile before any callback.
ShorelineReadEnd ReadShorelines(const std::string& path, int width, int height, LongitudeWrap wrap,
                                const ShorelineCallbacks& callbacks);

// Opens the file and reads its first header: throws EFOpenError when it cannot be opened and
// ENotShorelineFile when it is no shoreline file, before anyone takes it.
void CheckShorelineFile(const std::string& path);
