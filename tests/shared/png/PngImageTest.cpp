#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "Errors.h"
#include "PNG_IO.h"
#include "PngFiles.h"
#include "PngImage.h"
#include "TempDir.h"
#include "Tick.h"

namespace {

using namespace pngfiles;

Bitmap GreyBitmap(int width, int height) {
    Bitmap bitmap(width, height, PixelFormat::Indexed8);
    SetGreyPalette(bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.Row(y)[x] = std::uint8_t(x * 7 + y * 13);
    return bitmap;
}

Bitmap RgbBitmap(int width, int height) {
    Bitmap bitmap(width, height, PixelFormat::Bgr24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixelColour(
                x, y,
                MakeColour(std::uint8_t(x * 11), std::uint8_t(y * 17), std::uint8_t(x * y + 5)));
    return bitmap;
}

TPngImageRef Decode(const Bytes& file, bool convertToRgb = true) {
    TPngImageRef image = TPngImage::Create();
    image->ConvertToRGB = convertToRgb;
    MemoryStream stream(file);
    image->LoadFromStream(stream);
    return image;
}

Bytes Encode(TPngImage& image) {
    MemoryStream stream;
    image.SaveToStream(stream);
    return stream.Data();
}

Bytes EncodeBitmap(const Bitmap& bitmap) {
    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(bitmap);
    return Encode(*image);
}

// A small grey image, rows given as their samples.
Bytes GreyPng(const std::vector<Bytes>& rows, std::vector<Chunk> before = {},
              std::vector<Chunk> after = {}) {
    std::vector<Chunk> chunks = {
        Ihdr(std::uint32_t(rows.at(0).size()), std::uint32_t(rows.size()), 8, 0)};
    chunks.insert(chunks.end(), before.begin(), before.end());
    chunks.push_back(Idat(rows));
    chunks.insert(chunks.end(), after.begin(), after.end());
    chunks.push_back(Iend());
    return MakePng(chunks);
}

const Chunk& Find(const std::vector<Chunk>& chunks, const std::string& type) {
    for (const Chunk& chunk : chunks)
        if (chunk.type == type) return chunk;
    throw std::runtime_error("no " + type);
}

std::vector<std::string> TextChunks(const std::vector<Chunk>& chunks) {
    std::vector<std::string> texts;
    for (const Chunk& chunk : chunks)
        if (chunk.type == "tEXt") texts.emplace_back(chunk.data.begin(), chunk.data.end());
    return texts;
}

template <class Error>
std::string MessageOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

std::string MessageOfDecode(const Bytes& file) {
    return MessageOf<VarnholtError>([&] { Decode(file); });
}

}  // namespace

// ---- Round trips -------------------------------------------------------------------------

TEST(PngRoundTrip, GreyBitmapIsWrittenAsGreyAndReadBackUnchanged) {
    TempDir folder;
    Bitmap original = GreyBitmap(37, 5);  // odd width: bitmap rows are padded, PNG rows not
    std::string file = folder / "grey.png";
    ASSERT_TRUE(SaveBitmapToPng(original, file, "", "", "", ""));

    std::vector<Chunk> chunks = ReadChunks(ReadFile(file));
    EXPECT_EQ(ChunkTypes(chunks), (std::vector<std::string>{"IHDR", "IDAT", "tIME", "IEND"}));
    EXPECT_EQ(chunks[0].data, Ihdr(37, 5, 8, 0).data);

    TPngImageRef image = TPngImage::Create();
    image->ConvertToRGB = false;
    image->LoadFromFile(file);
    EXPECT_EQ(image->Channels, 1);
    EXPECT_EQ(image->PaletteCount, 0);
    EXPECT_EQ(image->RowBytes, 37);

    Bitmap asStored;
    ASSERT_TRUE(LoadPngToBitmap(asStored, file, false));
    ASSERT_EQ(asStored.Format(), PixelFormat::Indexed8);
    ASSERT_EQ(asStored.Width(), 37);
    ASSERT_EQ(asStored.Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x) EXPECT_EQ(asStored.Row(y)[x], original.Row(y)[x]);

    Bitmap asRgb;
    ASSERT_TRUE(LoadPngToBitmap(asRgb, file, true));
    ASSERT_EQ(asRgb.Format(), PixelFormat::Bgr24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x) {
            std::uint8_t level = original.Row(y)[x];
            EXPECT_EQ(asRgb.PixelColour(x, y), MakeColour(level, level, level));
        }

    Bitmap withoutPalette(3, 2, PixelFormat::Indexed8);
    EXPECT_EQ(ReadChunks(EncodeBitmap(withoutPalette))[0].data[9], 0);
}

TEST(PngRoundTrip, PaletteBitmapKeepsItsIndicesAndPalette) {
    Bitmap original(5, 3, PixelFormat::Indexed8);
    std::vector<PaletteEntry> palette = {{255, 0, 0}, {0, 128, 0}, {10, 20, 250}};
    original.SetPalette(palette);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) original.Row(y)[x] = std::uint8_t((x + y) % 3);

    Bytes file = EncodeBitmap(original);
    std::vector<Chunk> chunks = ReadChunks(file);
    EXPECT_EQ(ChunkTypes(chunks),
              (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "tIME", "IEND"}));
    EXPECT_EQ(chunks[0].data[9], 3);
    EXPECT_EQ(chunks[1].data, (Bytes{255, 0, 0, 0, 128, 0, 10, 20, 250}));

    Bitmap indexed;
    Decode(file, false)->CopyToBitmap(indexed, 0, 0);
    ASSERT_EQ(indexed.Format(), PixelFormat::Indexed8);
    EXPECT_EQ(indexed.Palette(), palette);
    Bitmap rgb;
    Decode(file, true)->CopyToBitmap(rgb, 0, 0);
    ASSERT_EQ(rgb.Format(), PixelFormat::Bgr24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(indexed.Row(y)[x], original.Row(y)[x]);
            EXPECT_EQ(rgb.PixelColour(x, y), original.PixelColour(x, y));
        }
}

TEST(PngRoundTrip, OneChangedGreyEntryMakesAPaletteImageWithTheWholePalette) {
    Bitmap bitmap = GreyBitmap(4, 4);
    std::vector<PaletteEntry> palette = bitmap.Palette();
    palette[200] = {200, 200, 201};
    bitmap.SetPalette(palette);
    std::vector<Chunk> chunks = ReadChunks(EncodeBitmap(bitmap));
    EXPECT_EQ(chunks[0].data[9], 3);
    const Chunk& plte = Find(chunks, "PLTE");
    ASSERT_EQ(plte.data.size(), 768u);
    EXPECT_EQ(plte.data[3 * 200 + 2], 201);
    EXPECT_EQ(plte.data[3 * 255], 255);
}

TEST(PngRoundTrip, RgbBitmapIsWrittenRedGreenBlueAndReadBackUnchanged) {
    TempDir folder;
    Bitmap original = RgbBitmap(9, 7);
    std::string file = folder / "rgb.png";
    SaveBitmapToPng(original, file, "", "", "", "");
    EXPECT_EQ(ReadChunks(ReadFile(file))[0].data, Ihdr(9, 7, 8, 2).data);

    QImage byQt(QString::fromStdString(file));
    Bitmap back;
    LoadPngToBitmap(back, file, false);
    ASSERT_EQ(back.Format(), PixelFormat::Bgr24);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            Colour colour = original.PixelColour(x, y);
            QRgb qt = byQt.pixel(x, y);
            EXPECT_EQ(MakeColour(std::uint8_t(qRed(qt)), std::uint8_t(qGreen(qt)),
                                 std::uint8_t(qBlue(qt))),
                      colour);
            EXPECT_EQ(back.PixelColour(x, y), colour);
        }
}

TEST(PngRoundTrip, SixteenBitBitmapsAreRefused) {
    TPngImageRef image = TPngImage::Create();
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>(
                  [&] { image->CopyFromBitmap(Bitmap(2, 2, PixelFormat::Pixel16)); }),
              "Unsupported bitmap format");
}

TEST(PngRoundTrip, SixteenBitSamplesAreScaledToEightBits) {
    Chunk idat = Idat({{0x00, 0x00, 0x80, 0x80, 0xFF, 0xFF, 0x12, 0x34, 0x80, 0x7F}});
    Bytes file = MakePng({Ihdr(5, 1, 16, 0), idat, Iend()});
    TPngImageRef image = Decode(file, false);
    EXPECT_EQ(image->BitDepth, 16);
    EXPECT_EQ(image->RowBytes, 5);
    Bitmap bitmap;
    image->CopyToBitmap(bitmap, 0, 0);
    // Nearest 8-bit level: v / 257 rounded.
    EXPECT_EQ(Bytes(bitmap.Row(0), bitmap.Row(0) + 5), (Bytes{0, 128, 255, 18, 128}));
}

TEST(PngRoundTrip, SmallPalettesAreKeptWithOneIndexPerByte) {
    Bitmap bitmap;
    LoadPngToBitmap(bitmap, std::string(VARNHOLT_TEST_DATA) + "/pngsuite/basn3p02.png", false);
    ASSERT_EQ(bitmap.Format(), PixelFormat::Indexed8);
    EXPECT_EQ(bitmap.Palette().size(), 4u);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) EXPECT_LT(bitmap.Row(y)[x], 4);
}

// ---- What is written ---------------------------------------------------------------------

TEST(PngWrite, ChunksComeInOrderWithTextsBeforeAndTimeAfterTheImageData) {
    TempDir folder;
    Bitmap bitmap = GreyBitmap(300, 200);
    std::string file = folder / "topo.png";
    SaveBitmapToPng(bitmap, file, "A. Uthor", "Heights", "Terrafold", "World");
    std::vector<Chunk> chunks = ReadChunks(ReadFile(file));
    std::vector<std::string> types = ChunkTypes(chunks);
    ASSERT_GE(types.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(types.begin(), types.begin() + 5),
              (std::vector<std::string>{"IHDR", "tEXt", "tEXt", "tEXt", "tEXt"}));
    EXPECT_EQ(std::vector<std::string>(types.end() - 2, types.end()),
              (std::vector<std::string>{"tIME", "IEND"}));
    for (std::size_t i = 5; i + 2 < types.size(); ++i) EXPECT_EQ(types[i], "IDAT");
    EXPECT_EQ(TextChunks(chunks),
              (std::vector<std::string>{
                  std::string("Author\0A. Uthor", 15), std::string("Description\0Heights", 19),
                  std::string("Software\0Terrafold", 18), std::string("Title\0World", 11)}));
}

// Thirty RGB rows in three bands, each made for one filter to win: rows repeating one random row
// (Up), then a left half repeating down and a right half repeating across (Paeth), then random
// rows each followed by the average of its left and upper neighbours (Average).
Bitmap FilterBands() {
    const int width = 64, bytes = 3 * width;
    Bitmap bitmap(width, 30, PixelFormat::Bgr24);
    std::uint32_t seed = 2024;
    auto random = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return std::uint8_t(seed >> 24);
    };
    for (int x = 0; x < bytes; ++x) bitmap.Row(0)[x] = random();
    for (int y = 1; y < 10; ++y) std::copy_n(bitmap.Row(0), bytes, bitmap.Row(y));
    for (int y = 10; y < 20; ++y) {
        std::copy_n(bitmap.Row(0), bytes / 2, bitmap.Row(y));
        for (int channel = 0; channel < 3; ++channel) {
            const std::uint8_t across = random();
            for (int x = bytes / 2 + channel; x < bytes; x += 3) bitmap.Row(y)[x] = across;
        }
    }
    for (int y = 20; y < 30; y += 2) {
        std::uint8_t* above = bitmap.Row(y);
        std::uint8_t* row = bitmap.Row(y + 1);
        for (int x = 0; x < bytes; ++x) {
            above[x] = random();
            row[x] = std::uint8_t(((x < 3 ? 0 : row[x - 3]) + above[x]) / 2);
        }
    }
    return bitmap;
}

// The filter type of each row of an RGB image 64 pixels wide.
std::vector<int> FiltersByRow(const Bytes& file, int height) {
    const std::size_t rowBytes = 1 + 64 * 3;
    Bytes raw = InflateIdat(ReadChunks(file), std::size_t(height) * rowBytes);
    std::vector<int> filters;
    for (int row = 0; row < height; ++row) filters.push_back(raw.at(std::size_t(row) * rowBytes));
    return filters;
}

TEST(PngWrite, RowFiltersAreOnlyThoseTheSettingsAllow) {
    const Bitmap bitmap = FilterBands();
    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(bitmap);
    image->FilterFlags = 0xF8;  // all five: each band shows the filter made to win there
    std::vector<int> filters = FiltersByRow(Encode(*image), 30);
    for (int row = 1; row < 10; ++row) EXPECT_EQ(filters[row], 2) << row;
    for (int row = 11; row < 20; ++row) EXPECT_EQ(filters[row], 4) << row;
    for (int row = 21; row < 30; row += 2) EXPECT_EQ(filters[row], 3) << row;

    TempDir folder;
    std::string file = folder / "map.png";
    SaveBitmapToPng(bitmap, file, "", "", "", "");
    filters = FiltersByRow(ReadFile(file), 30);
    for (int row = 0; row < 30; ++row)
        EXPECT_TRUE(filters[row] == 0 || filters[row] == 1 || filters[row] == 4) << row;
    EXPECT_EQ(filters[15], 4);
    EXPECT_EQ(filters[5], 4) << "Paeth takes over from Up on repeated rows";

    image = TPngImage::Create();
    image->CopyFromBitmap(bitmap);
    filters = FiltersByRow(Encode(*image), 30);
    for (int row = 0; row < 30; ++row) EXPECT_LE(filters[row], 2) << row;
    EXPECT_EQ(filters[5], 2);
    image->FilterFlags = 0x08;
    EXPECT_EQ(FiltersByRow(Encode(*image), 30), std::vector<int>(30, 0));
}

TEST(PngWrite, CompressionLevelFollowsTheSettings) {
    auto zlibLevelClass = [](const Bytes& file) {
        return Find(ReadChunks(file), "IDAT").data[1] >> 6;
    };
    TempDir folder;
    std::string file = folder / "map.png";
    SaveBitmapToPng(RgbBitmap(64, 40), file, "", "", "", "");
    EXPECT_EQ(zlibLevelClass(ReadFile(file)), 1);  // levels 2 to 5

    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(RgbBitmap(64, 40));
    image->CompressionLevel = 9;
    EXPECT_EQ(zlibLevelClass(Encode(*image)), 3);
}

TEST(PngWrite, BlankTextsAreLeftOutAndOthersKeepTheirSpaces) {
    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(GreyBitmap(2, 2));
    image->Author = "";
    image->Description = "   ";
    image->Software = " \t\r\n\x01";
    image->Title = "  Map of the world \x02";
    EXPECT_EQ(TextChunks(ReadChunks(Encode(*image))),
              (std::vector<std::string>{std::string("Title\0  Map of the world \x02", 26)}));
}

TEST(PngWrite, TimeIsTheLocalWallClockWhenTheRowsWereWritten) {
    const char* previous = std::getenv("TZ");
    std::string saved = previous ? previous : "";
    setenv("TZ", "XST-5:30", 1);  // far from UTC, so UTC would show
    tzset();
    auto localNow = [] {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return std::chrono::local_days{std::chrono::year{local.tm_year + 1900} /
                                       (local.tm_mon + 1) / local.tm_mday} +
               std::chrono::hours{local.tm_hour} + std::chrono::minutes{local.tm_min} +
               std::chrono::seconds{local.tm_sec};
    };
    auto before = localNow();
    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(GreyBitmap(3, 3));
    Bytes file = Encode(*image);
    auto after = localNow();
    if (previous)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    std::vector<Chunk> chunks = ReadChunks(file);
    const Bytes& stamp = Find(chunks, "tIME").data;
    auto written =
        std::chrono::local_days{std::chrono::year{stamp[0] << 8 | stamp[1]} / stamp[2] / stamp[3]} +
        std::chrono::hours{stamp[4]} + std::chrono::minutes{stamp[5]} +
        std::chrono::seconds{stamp[6]};
    EXPECT_LE(before, written);
    EXPECT_LE(written, after);
    EXPECT_EQ(Decode(file)->Time, written);
}

TEST(PngWrite, TooLongTextFailsAndLeavesTheOldFileAlone) {
    TempDir folder;
    std::string file = folder.Write("old.png", {1, 2, 3});
    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(GreyBitmap(2, 2));
    image->Description = std::string(9000, 'x');
    EXPECT_EQ(MessageOf<EPngError>([&] { image->SaveToFile(file); }),
              "Buffer override: needed 9000");
    EXPECT_EQ(ReadFile(file), (Bytes{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(PngWrite, AnImageWithoutRowsIsNotWritten) {
    TempDir folder;
    TPngImageRef image = TPngImage::Create();
    image->Width = 4;
    image->Height = 4;
    image->BitDepth = 8;
    image->ColourType = 0;
    EXPECT_EQ(MessageOf<EPngError>([&] { image->SaveToFile(folder / "none.png"); }),
              "Image data does not match its header");
    image->CopyFromBitmap(GreyBitmap(4, 4));
    image->Width = 5;  // rows now too short for the header
    EXPECT_EQ(MessageOf<EPngError>([&] { Encode(*image); }),
              "Image data does not match its header");
    EXPECT_FALSE(std::filesystem::exists(folder / "none.png"));
}

// ---- Texts and time read -----------------------------------------------------------------

TEST(PngRead, TextsBeforeTheImageDataFillTheListAndTheirFields) {
    Bytes file = GreyPng(
        {{1, 2}}, {Text("Title", "World"), Text("AUTHOR", "Me"), Text("description", "Heights"),
                   Text("Software", "Tool"), Text("Comment", "a=b")});
    TPngImageRef image = TPngImage::Create();
    image->Software = "kept";
    image->TextList = {"stale"};
    MemoryStream stream(file);
    image->LoadFromStream(stream);
    EXPECT_EQ(image->TextList,
              (std::vector<std::string>{"Title=World", "AUTHOR=Me", "description=Heights",
                                        "Software=Tool", "Comment=a=b"}));
    EXPECT_EQ(image->Title, "World");
    EXPECT_EQ(image->Author, "Me");
    EXPECT_EQ(image->Description, "Heights");
    EXPECT_EQ(image->Software, "kept");

    MemoryStream plain(GreyPng({{1, 2}}));
    image->LoadFromStream(plain);
    EXPECT_TRUE(image->TextList.empty());
    EXPECT_EQ(image->Title, "World");
}

TEST(PngRead, TextAfterTheImageDataIsIgnoredButTimeThereIsRead) {
    Bytes file = GreyPng({{1, 2}}, {}, {Text("Title", "Late"), Time(2003, 7, 14, 9, 5, 59)});
    TPngImageRef image = Decode(file);
    EXPECT_TRUE(image->TextList.empty());
    EXPECT_EQ(image->Title, "");
    using namespace std::chrono;
    EXPECT_EQ(image->Time, local_days{year{2003} / 7 / 14} + hours{9} + minutes{5} + seconds{59});
}

TEST(PngRead, AnImpossibleDateFailsAfterTheRowsWereRead) {
    Bytes file = GreyPng({{7, 8, 9}}, {}, {Time(2021, 2, 30, 12, 0, 0)});
    TPngImageRef image = TPngImage::Create();
    MemoryStream stream(file);
    EXPECT_THROW(image->LoadFromStream(stream), EConvertError);
    Bitmap bitmap;
    image->CopyToBitmap(bitmap, 0, 0);
    EXPECT_EQ(bitmap.PixelColour(2, 0), MakeColour(9, 9, 9));

    // A leap second is a real time: it counts into the next minute.
    using namespace std::chrono;
    EXPECT_EQ(Decode(GreyPng({{1}}, {}, {Time(2016, 12, 31, 23, 59, 60)}))->Time,
              local_days{year{2017} / 1 / 1});
}

TEST(PngRead, TextChunksUpToTheTransferLimitAreRead) {
    // A chunk of 8193 bytes is handed over in one piece; one byte more is refused.
    Chunk fits = Text("Comment", std::string(8193 - 8, 'a'));
    ASSERT_EQ(fits.data.size(), 8193u);
    EXPECT_EQ(Decode(GreyPng({{1}}, {fits}))->TextList.at(0).size(), 8 + 8185u);
    Chunk tooLong = Text("Comment", std::string(8194 - 8, 'a'));
    EXPECT_EQ(MessageOfDecode(GreyPng({{1}}, {tooLong})),
              "Buffer override: needed 8194bytes for buffer !");
}

// ---- Bad input ---------------------------------------------------------------------------

TEST(PngRead, WrongSignatureAndShortStreamsFail) {
    Bytes notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    EXPECT_EQ(MessageOf<EPngError>([&] { Decode(notPng); }), "Is not a valid PNG !");
    EXPECT_EQ(MessageOf<EInOutError>([&] { Decode({0x89, 'P', 'N'}); }), "Stream read error");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TPngImage::Create()->LoadFromFile("/no/such.png"); }),
              "Cannot open file: /no/such.png");
}

TEST(PngRead, EveryTruncationFailsWithTheStreamError) {
    Bytes whole = EncodeBitmap(RgbBitmap(20, 6));
    ASSERT_NO_THROW(Decode(whole));
    for (std::size_t length = 0; length < whole.size(); ++length) {
        Bytes cut(whole.begin(), whole.begin() + long(length));
        EXPECT_EQ(MessageOf<EInOutError>([&] { Decode(cut); }), "Stream read error")
            << "cut at " << length;
    }
}

TEST(PngRead, CorruptionFailsWithLibpngsMessage) {
    Bytes whole = EncodeBitmap(GreyBitmap(20, 6));
    std::vector<Chunk> chunks = ReadChunks(whole);

    std::size_t idatCrc = 8 + 12 + chunks[0].data.size() + 8 + chunks[1].data.size();
    ASSERT_EQ(chunks[1].type, "IDAT");
    Bytes badCrc = whole;
    badCrc[idatCrc + 3] ^= 0x40;
    EXPECT_EQ(MessageOfDecode(badCrc), "IDAT: CRC error");

    std::vector<Chunk> zeroWidth = chunks;
    zeroWidth[0].data[3] = 0;
    EXPECT_EQ(MessageOfDecode(MakePng(zeroWidth)),
              "Invalid IHDR data: Image width is zero in IHDR");

    std::vector<Chunk> badStream = chunks;
    Find(badStream, "IDAT");
    for (Chunk& chunk : badStream)
        if (chunk.type == "IDAT") chunk.data[0] = 0x09;  // not a deflate header
    EXPECT_NE(MessageOf<EPngError>([&] { Decode(MakePng(badStream)); }), "(no error)");

    // Any single damaged byte is read or refused, never more.
    for (std::size_t at = 8; at < whole.size(); ++at) {
        Bytes damaged = whole;
        damaged[at] ^= 0xA5;
        try {
            Decode(damaged);
        } catch (const VarnholtError& error) {
            EXPECT_STRNE(error.what(), "");
        }
    }
}

TEST(PngRead, ImpossibleSizesFailBeforeMemoryIsTaken) {
    EXPECT_EQ(MessageOfDecode(MakePng({Ihdr(2'000'000, 1, 8, 0), Iend()})),
              "Invalid IHDR data: Image width exceeds user limit in IHDR");
    EXPECT_EQ(MessageOfDecode(MakePng({Ihdr(1, 5'000'000, 8, 0), Iend()})),
              "Invalid IHDR data: Image height exceeds user limit in IHDR");
    EXPECT_EQ(MessageOfDecode(MakePng({Ihdr(30000, 30000, 16, 6), Idat({{0}}), Iend()})),
              "Image too large: 30000 x 30000 pixels");
}

// ---- Progress ----------------------------------------------------------------------------

namespace {
struct Report {
    ProgressStage stage;
    int percent;
    bool redraw;
    Rect rect;
    std::string message;
    std::uint32_t tick;
};
}  // namespace

TEST(PngProgress, WriteReportsStartRunningAtMostEvery100MsAndEnd) {
    // A stream slow enough that the rows take several report intervals.
    struct SlowStream : MemoryStream {
        void Write(const void* buffer, std::size_t count) override {
            if (count > 1000) std::this_thread::sleep_for(std::chrono::milliseconds(3));
            MemoryStream::Write(buffer, count);
        }
    } slow;
    Bitmap noise(1000, 300, PixelFormat::Bgr24);
    std::uint32_t seed = 12345;
    for (int y = 0; y < noise.Height(); ++y)
        for (int x = 0; x < noise.Width() * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            noise.Row(y)[x] = std::uint8_t(seed >> 24);
        }
    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(noise);
    image->CompressionLevel = 0;
    std::vector<Report> reports;
    image->OnProgress = [&](TPngImage& sender, ProgressStage stage, std::uint8_t percent,
                            bool redraw, const Rect& rect, const std::string& message) {
        EXPECT_EQ(&sender, image.Get());
        reports.push_back({stage, percent, redraw, rect, message, GetTickCount()});
    };
    // Let the interval since any earlier report pass, so the first row reports.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    image->SaveToStream(slow);

    ASSERT_GE(reports.size(), 4u);
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front().stage, ProgressStage::Starting);
    EXPECT_EQ(reports.front().percent, 0);
    EXPECT_EQ(reports.front().message, "Starting PNG write");
    EXPECT_EQ(reports.back().stage, ProgressStage::Ending);
    EXPECT_EQ(reports.back().percent, 100);
    EXPECT_EQ(reports.back().message, "Ended PNG write");
    for (std::size_t i = 1; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].stage, ProgressStage::Running);
        EXPECT_EQ(reports[i].message, "Running");
        EXPECT_LE(reports[i].percent, 100);
        EXPECT_GE(reports[i].percent, reports[i - 1].percent);
        if (i > 1) {
            EXPECT_GT(std::uint32_t(reports[i].tick - reports[i - 1].tick), 100u);
        }
    }
    for (const Report& report : reports) {
        EXPECT_FALSE(report.redraw);
        EXPECT_EQ(report.rect, Rect{});
    }
}

TEST(PngProgress, ReadReportsStartAndEnd) {
    Bytes file = EncodeBitmap(GreyBitmap(8, 8));
    TPngImageRef image = TPngImage::Create();
    std::vector<Report> reports;
    image->OnProgress = [&](TPngImage&, ProgressStage stage, std::uint8_t percent, bool redraw,
                            const Rect& rect, const std::string& message) {
        reports.push_back({stage, percent, redraw, rect, message, 0});
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    MemoryStream stream(file);
    image->LoadFromStream(stream);
    ASSERT_EQ(reports.size(), 3u);  // the first row comes long after any earlier report
    EXPECT_EQ(reports[0].message, "Start PNG read");
    EXPECT_EQ(reports[0].stage, ProgressStage::Starting);
    EXPECT_EQ(reports[1].stage, ProgressStage::Running);
    EXPECT_EQ(reports[1].percent, 1 * 100 / 8);
    EXPECT_EQ(reports[2].message, "Ended PNG read");
    EXPECT_EQ(reports[2].percent, 100);
}

TEST(PngProgress, AFailingHandlerStopsTheReadAndANestedOneIsRefused) {
    struct Stop {};
    Bytes file = EncodeBitmap(GreyBitmap(8, 8));
    TPngImageRef image = TPngImage::Create();
    image->OnProgress = [](TPngImage&, ProgressStage stage, std::uint8_t, bool, const Rect&,
                           const std::string&) {
        if (stage == ProgressStage::Running) throw Stop{};
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    MemoryStream stream(file);
    EXPECT_THROW(image->LoadFromStream(stream), Stop);

    image->OnProgress = [&](TPngImage&, ProgressStage stage, std::uint8_t, bool, const Rect&,
                            const std::string&) {
        if (stage == ProgressStage::Starting) Decode(file);
    };
    stream.SetPosition(0);
    EXPECT_EQ(MessageOf<EPngError>([&] { image->LoadFromStream(stream); }),
              "A PNG read or write is already running");

    image->OnProgress = nullptr;
    stream.SetPosition(0);
    EXPECT_NO_THROW(image->LoadFromStream(stream));
}

// ---- Into a bitmap -----------------------------------------------------------------------

TEST(PngToBitmap, AlphaShowsColourBackgroundOrABlendOverTheBitmap) {
    Chunk background{"bKGD", {0, 1, 0, 2, 0, 3}};
    Chunk idat = Idat({{10, 20, 30, 255, 40, 50, 60, 0, 100, 150, 200, 128}});
    TPngImageRef image = Decode(MakePng({Ihdr(3, 1, 8, 6), background, idat, Iend()}));
    EXPECT_TRUE(image->Transparent);
    EXPECT_EQ(image->BackgroundColour, MakeColour(1, 2, 3));

    Bitmap bitmap(3, 1, PixelFormat::Bgr24);
    for (int x = 0; x < 3; ++x) bitmap.SetPixelColour(x, 0, MakeColour(200, 200, 200));
    image->CopyToBitmap(bitmap, 0, 0);
    EXPECT_TRUE(bitmap.Transparent());
    EXPECT_EQ(bitmap.PixelColour(0, 0), MakeColour(10, 20, 30));
    EXPECT_EQ(bitmap.PixelColour(1, 0), MakeColour(1, 2, 3));
    // Alpha 128 of 255 over 200: (200 * 127 + 100 * 128) / 255 = 149.8, truncated.
    EXPECT_EQ(bitmap.PixelColour(2, 0), MakeColour(149, 174, 200));

    TPngImageRef noBackground = Decode(MakePng({Ihdr(3, 1, 8, 6), idat, Iend()}));
    EXPECT_FALSE(noBackground->Transparent);
    Bitmap plain;
    noBackground->CopyToBitmap(plain, 0, 0);
    EXPECT_EQ(plain.PixelColour(1, 0), Colours::Black);
}

TEST(PngToBitmap, TheBitmapGrowsToHoldTheImageAtItsOffset) {
    TPngImageRef image = Decode(GreyPng({{1, 2, 3}, {4, 5, 6}}), false);
    Bitmap bitmap(2, 2, PixelFormat::Indexed8);
    SetGreyPalette(bitmap);
    bitmap.Row(0)[0] = 99;
    image->CopyToBitmap(bitmap, 1, 1);
    ASSERT_EQ(bitmap.Width(), 4);
    ASSERT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.Row(0)[0], 99);
    EXPECT_EQ(Bytes(bitmap.Row(2) + 1, bitmap.Row(2) + 4), (Bytes{4, 5, 6}));
    // The grey palette the bitmap had stays, as the image brings none.
    EXPECT_EQ(bitmap.Palette().size(), 256u);

    Bitmap large(10, 10, PixelFormat::Indexed8);
    image->CopyToBitmap(large, -1, 0);  // the column left of the bitmap is clipped
    EXPECT_EQ(large.Width(), 10);
    EXPECT_EQ(Bytes(large.Row(1), large.Row(1) + 3), (Bytes{5, 6, 0}));

    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { image->CopyToBitmap(large, 0, INT_MAX); }),
              "Image too high");
    EXPECT_EQ(
        MessageOf<EInvalidGraphicOperation>([&] { image->CopyToBitmap(large, INT_MAX - 1, 0); }),
        "Image too wide");
}

// ---- TPngGraphic -------------------------------------------------------------------------

TEST(PngGraphic, RefusesSizeAndClipboardWithItsMessages) {
    TPngGraphic graphic;
    EXPECT_TRUE(graphic.Transparent());
    EXPECT_TRUE(graphic.GetEmpty());
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { graphic.SetHeight(3); }),
              "Cannot set height on a TPngGraphic");
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { graphic.SetWidth(3); }),
              "Cannot set width on a TPngGraphic");
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { graphic.LoadFromClipboardFormat(); }),
              "Cannot load a TPngGraphic from the Clipboard");
    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { graphic.SaveToClipboardFormat(); }),
              "Cannot save a TPngGraphic to the Clipboard");
}

TEST(PngGraphic, AssignSharesTheImage) {
    TPngGraphic source;
    MemoryStream stream(EncodeBitmap(GreyBitmap(5, 4)));
    source.LoadFromStream(stream);
    int changes = 0;
    {
        TPngGraphic copy;
        copy.OnChange = [&](Graphic&) { ++changes; };
        copy.Assign(source);
        EXPECT_EQ(copy.Image(), source.Image());
        EXPECT_EQ(source.Image()->RefCount(), 2);
        EXPECT_EQ(copy.GetWidth(), 5);
        EXPECT_EQ(copy.GetHeight(), 4);
        copy.Assign(copy);
        EXPECT_EQ(changes, 1);
    }
    EXPECT_EQ(source.Image()->RefCount(), 1);

    struct OtherGraphic : Graphic {
        const char* ClassName() const override { return "TOther"; }
        void Draw(Canvas&, const Rect&) override {}
        bool GetEmpty() const override { return true; }
        int GetHeight() const override { return 0; }
        int GetWidth() const override { return 0; }
        void SetHeight(int) override {}
        void SetWidth(int) override {}
        void LoadFromStream(Stream&) override {}
        void SaveToStream(Stream&) override {}
        void LoadFromClipboardFormat() override {}
        void SaveToClipboardFormat() override {}
    } other;
    TPngGraphic target;
    EXPECT_EQ(MessageOf<EConvertError>([&] { target.Assign(other); }),
              "Cannot assign a TOther to a TPngGraphic");
}

TEST(PngGraphic, TheRegistryLoadsAndDrawsAPngByItsExtension) {
    const PictureFormat* format = PictureFormats::Find(".png");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->description, "Portable Network Graphics");

    TempDir folder;
    Bitmap original = RgbBitmap(4, 3);
    std::string file = folder / "picture.PNG";
    SaveBitmapToPng(original, file, "", "", "", "");
    std::unique_ptr<Graphic> picture = PictureFormats::Load(file);
    ASSERT_STREQ(picture->ClassName(), "TPngGraphic");
    EXPECT_FALSE(picture->GetEmpty());

    Bitmap screen(6, 6, PixelFormat::Bgr24);
    Canvas canvas(screen);
    picture->Draw(canvas, Rect{2, 2, 6, 6});  // drawn unscaled at the origin all the same
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(screen.PixelColour(x, y), original.PixelColour(x, y));
    EXPECT_EQ(screen.PixelColour(5, 5), Colours::Black);

    EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { PictureFormats::Load(folder / "a.xyz"); }),
              "Unknown picture file extension (.xyz)");
}
