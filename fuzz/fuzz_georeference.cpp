// Georeferencing sidecars: any bytes as a world file and as a GDAL auxiliary file. A text read
// without error must describe a usable transform or system, and what is read must be written and
// read back the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Errors.h"
#include "GeoReference.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_georeference: %s\n", what);
    std::abort();
}

bool Finite(const GeoTransform& t) {
    for (double term : {t.xPerColumn, t.yPerColumn, t.xPerRow, t.yPerRow, t.centreX, t.centreY})
        if (!std::isfinite(term)) return false;
    return true;
}

void CheckTransform(const GeoTransform& transform) {
    if (!Finite(transform)) Fail("a transform with a term that is not finite");
    const double determinant =
        transform.xPerColumn * transform.yPerRow - transform.xPerRow * transform.yPerColumn;
    if (determinant == 0) Fail("a transform whose pixels have no area");
    if (ParseWorldFile(WorldFileText(transform), "again.pgw") != transform)
        Fail("a world file reads back other than written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        CheckTransform(ParseWorldFile(text, "map.pgw"));
    } catch (const VarnholtError& error) {
        if (std::string(error.what()).find("map.pgw") == std::string::npos)
            Fail("a world file error that does not name the file");
    }
    try {
        const GeoReference read = ParseAuxFile(text, "map.png.aux.xml");
        if (read.transform) CheckTransform(*read.transform);
        if (read.coordinateSystem) {
            if (read.coordinateSystem->wkt.empty()) Fail("an empty coordinate system");
            const GeoReference again =
                ParseAuxFile(AuxFileText(*read.coordinateSystem), "again.aux.xml");
            if (again.coordinateSystem != read.coordinateSystem)
                Fail("a coordinate system reads back other than written");
        }
    } catch (const VarnholtError& error) {
        if (std::string(error.what()).find("map.png.aux.xml") == std::string::npos)
            Fail("an auxiliary file error that does not name the file");
    }
    return 0;
}
