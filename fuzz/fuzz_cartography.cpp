// Loading "Countries.dat": any bytes are parsed from memory and through a stream, which must
// agree, and every loaded segment must hold exactly the points it claims.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>

#include "Cartography.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_cartography: %s\n", what);
    std::abort();
}

void CheckSegments(const TCartogList& list) {
    // Asked once: LargestSegment looks at every segment, and a list of thousands would make
    // each input cost the square of its length.
    const std::int32_t maxPoints = list.MaxPoints();
    const std::int32_t largest = list.LargestSegment();
    for (int i = 0; i < list.Count(); ++i) {
        const TLineSegment& segment = list.GetSegment(i);
        if (segment.NumPoints < 0 || std::size_t(segment.NumPoints) != segment.Points.size())
            Fail("a segment claims other points than it holds");
        if (segment.NumPoints > maxPoints) Fail("MaxPoints below a segment's count");
        if (segment.NumPoints > largest) Fail("LargestSegment below a segment");
    }
}

bool SameSegments(const TCartogList& a, const TCartogList& b) {
    if (a.Count() != b.Count() || a.MaxPoints() != b.MaxPoints()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        const TLineSegment& x = a.GetSegment(i);
        const TLineSegment& y = b.GetSegment(i);
        if (x.NumPoints != y.NumPoints || x.Kind != y.Kind || x.Points.size() != y.Points.size())
            return false;
        for (std::size_t p = 0; p < x.Points.size(); ++p)
            if (x.Points[p].Lon != y.Points[p].Lon || x.Points[p].Lat != y.Points[p].Lat)
                return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TCartogList fromMemory;
    fromMemory.LoadFromStream(std::span<const std::uint8_t>(data, size));
    CheckSegments(fromMemory);

    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    TCartogList fromStream;
    fromStream.LoadFromStream(stream);
    CheckSegments(fromStream);
    if (!SameSegments(fromMemory, fromStream)) Fail("memory and stream loads differ");

    // A reload starts from an empty list.
    fromStream.LoadFromStream(std::span<const std::uint8_t>(data, size));
    if (!SameSegments(fromMemory, fromStream)) Fail("a reload differs from the first load");
    fromStream.Clear();
    if (fromStream.Count() != 0 || fromStream.MaxPoints() != 0) Fail("Clear left something");
    return 0;
}
