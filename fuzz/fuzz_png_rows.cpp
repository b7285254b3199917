// A height image read as lumbrel reads it: rows handed over as libpng finishes them and shaded
// on a second core meanwhile. Whatever the file, a read that succeeds must shade to what the
// one-pass shader makes of the finished image, and a read that fails must stop the shading
// without a hang.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Errors.h"
#include "FuzzFiles.h"
#include "HeightImageFile.h"
#include "ReliefShading.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_png_rows: %s\n", what);
    std::abort();
}

bool SameRows(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), std::size_t(a.Width() * a.BytesPerPixel())) != 0)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile file;
    file.Replace(data, size);
    Bitmap source(0, 0, PixelFormat::Indexed8);
    SetGreyPalette(source);
    Bitmap combined(0, 0, PixelFormat::Bgr24);
    int published = 0;
    ShadingAhead shading(source, combined);
    try {
        LoadHeightImage(source, file.Path(), [&](int rows) {
            if (rows < published || rows > source.Height()) Fail("rows handed over out of order");
            published = rows;
            shading.Publish(rows);
        });
    } catch (const VarnholtError&) {
        return 0;  // the shading ahead must let go of the rows that never came
    }
    // Guards against a world-sized image taking the run's time and memory.
    if (std::size_t(source.Width()) * std::size_t(source.Height()) > (1u << 22)) return 0;
    const CellCounts counts = shading.Finish({});
    Bitmap expected;
    const CellCounts expectedCounts = MakeShadedImage(source, expected, {});
    if (!SameRows(combined, expected)) Fail("shading ahead differs from the one pass");
    for (int d = 1; d <= 5; ++d)
        if (counts[d] != expectedCounts[d]) Fail("counts differ from the one pass");
    return 0;
}
