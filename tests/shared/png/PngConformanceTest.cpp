// Every image of PngSuite decoded by the codec and compared pixel by pixel with Qt's decoder.
// Qt gives the file's own samples; the reference then applies what the codec does on top:
// 16-bit samples scaled to 8 bits, gamma correction for a 2.2 screen when the file has gAMA,
// alpha inverted and blended over the (black) bitmap, the bKGD colour for fully transparent
// pixels, and palettes kept as palettes when not converting to RGB.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

#include "Errors.h"
#include "PNG_IO.h"
#include "PngFiles.h"
#include "TempDir.h"

namespace {

using namespace pngfiles;

const std::filesystem::path SuiteFolder = std::filesystem::path(VARNHOLT_TEST_DATA) / "pngsuite";

// What the reference needs to know of a file, read from its chunks rather than from the codec.
struct FileFacts {
    int bitDepth = 0;
    int colourType = 0;
    bool hasTransparency = false;
    std::optional<std::uint32_t> gamma;  // gAMA value, 100000 = 1.0
    std::optional<Colour> background;
    Bytes transparency;  // tRNS as stored
};

FileFacts FactsOf(const std::string& fileName) {
    FileFacts facts;
    Bytes palette;
    Bytes background;
    for (const Chunk& chunk : ReadChunks(ReadFile(fileName))) {
        if (chunk.type == "IHDR") {
            facts.bitDepth = chunk.data[8];
            facts.colourType = chunk.data[9];
        } else if (chunk.type == "PLTE") {
            palette = chunk.data;
        } else if (chunk.type == "tRNS") {
            facts.hasTransparency = true;
            facts.transparency = chunk.data;
        } else if (chunk.type == "gAMA") {
            facts.gamma = GetU32(chunk.data.data());
        } else if (chunk.type == "bKGD") {
            background = chunk.data;
        }
    }
    if (!background.empty()) {
        auto sample = [&](std::size_t i) {
            unsigned value = unsigned(background[2 * i]) << 8 | background[2 * i + 1];
            return std::uint8_t(facts.bitDepth == 16 ? value >> 8 : value & 0xFF);
        };
        if (facts.colourType == 3) {
            const std::uint8_t* entry = &palette.at(std::size_t(background[0]) * 3);
            facts.background = MakeColour(entry[0], entry[1], entry[2]);
        } else if (facts.colourType == 0 || facts.colourType == 4) {
            unsigned grey = unsigned(background[0]) << 8 | background[1];
            std::uint8_t level = facts.bitDepth == 1   ? (grey ? 255 : 0)
                                 : facts.bitDepth == 2 ? std::uint8_t(grey * 85)
                                 : facts.bitDepth == 4 ? std::uint8_t(grey * 17)
                                                       : sample(0);
            facts.background = MakeColour(level, level, level);
        } else {
            facts.background = MakeColour(sample(0), sample(1), sample(2));
        }
    }
    return facts;
}

struct Range {
    int low, high;
};

// The 8-bit levels the codec may give a 16-bit sample (Qt widens 8-bit ones exactly, v * 257).
// Gamma correction of 8-bit samples is exact. libpng corrects 16-bit samples through a table
// indexed by the top 11 bits, so the result may be that of any sample in the same bucket, and
// the table's rounding may add a step.
class SampleMap {
public:
    explicit SampleMap(const FileFacts& facts) : sixteenBit_(facts.bitDepth == 16) {
        if (!facts.gamma) return;
        // No correction where file and screen gamma nearly cancel (within 0.05 of 1).
        double product = double(*facts.gamma) * 2.2 / 100000.0;
        if (std::abs(product - 1.0) <= 0.05) return;
        exponent_ = std::floor(1e15 / double(*facts.gamma) / 220000.0 + 0.5) * 1e-5;
    }
    Range operator()(unsigned sample16) const {
        if (exponent_ == 0) {
            int level = int(std::lround(sample16 / 257.0));
            return {level, level};
        }
        if (!sixteenBit_) return {Corrected(sample16), Corrected(sample16)};
        unsigned bucket = sample16 & ~31u;
        return {Corrected(bucket) - 1, Corrected(bucket + 31) + 1};
    }

private:
    int Corrected(unsigned sample16) const {
        return int(std::floor(255.0 * std::pow(sample16 / 65535.0, exponent_) + 0.5));
    }
    bool sixteenBit_;
    double exponent_ = 0;
};

// The tRNS colour widened to 16 bits as Qt widens samples.
QRgba64 TransparentColour(const FileFacts& facts) {
    unsigned widen = 65535u / ((1u << facts.bitDepth) - 1);
    auto sample = [&](std::size_t i) {
        unsigned value = unsigned(facts.transparency[2 * i]) << 8 | facts.transparency[2 * i + 1];
        return std::uint16_t(value * widen);
    };
    if (facts.colourType == 0) return QRgba64::fromRgba64(sample(0), sample(0), sample(0), 65535);
    return QRgba64::fromRgba64(sample(0), sample(1), sample(2), 65535);
}

bool HasAlpha(const FileFacts& facts) {
    return facts.hasTransparency || facts.colourType == 4 || facts.colourType == 6;
}

PixelFormat ExpectedFormat(const FileFacts& facts, bool convertToRgb) {
    bool grey = facts.colourType == 0 || facts.colourType == 4;
    if (HasAlpha(facts)) return grey && !convertToRgb ? PixelFormat::Pixel16 : PixelFormat::Bgr24;
    if (convertToRgb || facts.colourType == 2) return PixelFormat::Bgr24;
    return PixelFormat::Indexed8;
}

struct Mismatch {
    int x, y;
    std::string detail;
};

std::vector<Mismatch> CompareWithReference(const std::string& fileName, bool convertToRgb,
                                           const Bitmap& decoded) {
    FileFacts facts = FactsOf(fileName);
    // Qt mangles rows of 16-bit RGB images with tRNS and forgets the grey level of
    // transparent grey pixels, so for grey and RGB images Qt decodes the file without its tRNS
    // and the reference applies the colour key itself.
    bool colourKey = (facts.colourType == 0 || facts.colourType == 2) && facts.hasTransparency;
    TempDir folder;
    std::string decodedByQt = fileName;
    if (colourKey) {
        std::vector<Chunk> chunks = ReadChunks(ReadFile(fileName));
        std::erase_if(chunks, [](const Chunk& chunk) { return chunk.type == "tRNS"; });
        decodedByQt = folder.Write("opaque.png", MakePng(chunks));
    }
    QImage reference(QString::fromStdString(decodedByQt));
    std::vector<Mismatch> mismatches;
    if (reference.isNull()) return {{0, 0, "Qt cannot read the file"}};
    if (decoded.Width() != reference.width() || decoded.Height() != reference.height())
        return {{0, 0, "size differs"}};
    PixelFormat format = ExpectedFormat(facts, convertToRgb);
    if (decoded.Format() != format) return {{0, 0, "pixel format differs"}};

    // The palette stays as the file has it; only expanded colours are gamma-corrected.
    bool keptPalette = facts.colourType == 3 && format == PixelFormat::Indexed8;
    SampleMap colourMap(keptPalette ? FileFacts{} : facts);
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            QRgba64 source = reference.pixelColor(x, y).rgba64();
            if (colourKey && source == TransparentColour(facts)) source.setAlpha(0);
            Range expected[3] = {colourMap(source.red()), colourMap(source.green()),
                                 colourMap(source.blue())};
            int transparency = 255 - int(std::lround(source.alpha() / 257.0));
            int actual[3];
            int channels = 3;
            if (format == PixelFormat::Pixel16) {
                actual[0] = decoded.Row(y)[2 * x];
                actual[1] = decoded.Row(y)[2 * x + 1];
                expected[1] = {transparency, transparency};
                channels = 2;
            } else {
                Colour colour = decoded.PixelColour(x, y);
                actual[0] = RedOf(colour);
                actual[1] = GreenOf(colour);
                actual[2] = BlueOf(colour);
                if (transparency == 255) {
                    Colour background = facts.background.value_or(Colours::Black);
                    expected[0] = {RedOf(background), RedOf(background)};
                    expected[1] = {GreenOf(background), GreenOf(background)};
                    expected[2] = {BlueOf(background), BlueOf(background)};
                } else if (transparency != 0) {
                    // Blended over the black of the fresh bitmap.
                    for (Range& range : expected)
                        range = {(255 - transparency) * range.low / 255,
                                 (255 - transparency) * range.high / 255};
                }
            }
            for (int i = 0; i < channels; ++i) {
                if (actual[i] < expected[i].low || actual[i] > expected[i].high) {
                    mismatches.push_back({x, y,
                                          "channel " + std::to_string(i) + " is " +
                                              std::to_string(actual[i]) + ", reference " +
                                              std::to_string(expected[i].low) + ".." +
                                              std::to_string(expected[i].high)});
                    break;
                }
            }
        }
    }
    return mismatches;
}

std::vector<std::string> SuiteFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(SuiteFolder))
        if (entry.path().extension() == ".png") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(PngConformance, EverySuiteImageDecodesAsTheReferencePredicts) {
    std::vector<std::string> files = SuiteFiles();
    ASSERT_GE(files.size(), 150u);
    for (const std::string& file : files) {
        for (bool convertToRgb : {true, false}) {
            SCOPED_TRACE(file + (convertToRgb ? " (RGB)" : " (as stored)"));
            Bitmap decoded;
            try {
                ASSERT_TRUE(LoadPngToBitmap(decoded, file, convertToRgb));
            } catch (const std::exception& error) {
                ADD_FAILURE() << "decoding failed: " << error.what();
                continue;
            }
            std::vector<Mismatch> mismatches = CompareWithReference(file, convertToRgb, decoded);
            if (!mismatches.empty())
                ADD_FAILURE() << mismatches.size() << " pixels differ; first at ("
                              << mismatches[0].x << ", " << mismatches[0].y
                              << "): " << mismatches[0].detail;
        }
    }
}

// The damaged files of the suite's "x" series, made from good suite images.
TEST(PngConformance, DamagedFilesFailWithAnError) {
    Bytes grey1 = ReadFile((SuiteFolder / "basn0g01.png").string());
    Bytes rgb8 = ReadFile((SuiteFolder / "basn2c08.png").string());
    auto withHeader = [](const Bytes& file, int bitDepth, int colourType) {
        std::vector<Chunk> chunks = ReadChunks(file);
        chunks[0].data[8] = std::uint8_t(bitDepth);
        chunks[0].data[9] = std::uint8_t(colourType);
        return MakePng(chunks);
    };
    auto withoutIdat = [](const Bytes& file) {
        std::vector<Chunk> chunks = ReadChunks(file);
        std::erase_if(chunks, [](const Chunk& c) { return c.type == "IDAT"; });
        return MakePng(chunks);
    };
    auto changed = [](Bytes file, std::size_t at, std::uint8_t value) {
        file.at(at) = value;
        return file;
    };
    auto inserted = [](Bytes file, std::size_t at, std::uint8_t value) {
        file.insert(file.begin() + long(at), value);
        return file;
    };
    std::size_t idatCrcAt = 8;
    for (const Chunk& chunk : ReadChunks(grey1)) {
        idatCrcAt += 12 + chunk.data.size();
        if (chunk.type == "IDAT") break;
    }
    const std::vector<std::pair<std::string, Bytes>> damaged = {
        {"signature byte 1", changed(grey1, 1, 'Q')},
        {"signature byte 2", changed(grey1, 2, 'M')},
        {"signature byte 4", changed(grey1, 4, '\n')},
        {"signature byte 7", changed(grey1, 7, '\r')},
        {"carriage return added", inserted(rgb8, 4, '\r')},
        {"line feed added", inserted(rgb8, 6, '\n')},
        {"IHDR checksum", changed(rgb8, 29, std::uint8_t(rgb8[29] ^ 0x55))},
        {"colour type 1", withHeader(rgb8, 8, 1)},
        {"colour type 9", withHeader(rgb8, 8, 9)},
        {"bit depth 0", withHeader(rgb8, 0, 2)},
        {"bit depth 3", withHeader(rgb8, 3, 2)},
        {"bit depth 99", withHeader(rgb8, 99, 2)},
        {"no IDAT", withoutIdat(grey1)},
        {"IDAT checksum", changed(grey1, idatCrcAt - 1, std::uint8_t(grey1[idatCrcAt - 1] ^ 1))},
    };
    TempDir folder;
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        std::string file = folder.Write("damaged.png", bytes);
        for (bool convertToRgb : {true, false}) {
            Bitmap bitmap;
            try {
                LoadPngToBitmap(bitmap, file, convertToRgb);
                ADD_FAILURE() << "accepted";
            } catch (const VarnholtError& error) {
                EXPECT_STRNE(error.what(), "");
            }
        }
    }
}

TEST(PngConformance, RowsHandedOverAsDecodedMakeTheSameBitmap) {
    for (const std::string& file : SuiteFiles()) {
        for (bool convertToRgb : {true, false}) {
            SCOPED_TRACE(file + (convertToRgb ? " (RGB)" : " (as stored)"));
            Bitmap whole;
            try {
                LoadPngToBitmap(whole, file, convertToRgb);
            } catch (const std::exception&) {
                continue;  // damaged on purpose; the suite test above says what it expects
            }
            Bitmap inRows;
            std::vector<int> reports;
            std::vector<std::pair<int, int>> sizes;
            LoadPngToBitmap(inRows, file, convertToRgb, [&](int rows) {
                reports.push_back(rows);
                sizes.emplace_back(inRows.Width(), inRows.Height());
            });
            ASSERT_EQ(inRows.Format(), whole.Format());
            ASSERT_EQ(inRows.Width(), whole.Width());
            ASSERT_EQ(inRows.Height(), whole.Height());
            EXPECT_EQ(inRows.Palette(), whole.Palette());
            for (int y = 0; y < whole.Height(); ++y)
                ASSERT_EQ(std::memcmp(inRows.Row(y), whole.Row(y), whole.Stride()), 0) << y;
            ASSERT_FALSE(reports.empty());
            EXPECT_EQ(reports.back(), whole.Height());
            EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
            for (const auto& size : sizes)
                EXPECT_EQ(size, std::make_pair(whole.Width(), whole.Height()));
            // The suite's names carry the interlacing in their fourth letter.
            const bool interlaced = std::filesystem::path(file).filename().string()[3] == 'i';
            if (!interlaced && whole.Height() > 1) {
                EXPECT_GT(reports.size(), 1u);
            }
        }
    }
}
