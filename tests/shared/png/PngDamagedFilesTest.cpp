// Damaged PNG files found by fuzzing the reader, each kept as the smallest file that showed it.
#include <gtest/gtest.h>

#include <string>

#include "Errors.h"
#include "PngFiles.h"
#include "PngImage.h"

namespace {

using namespace pngfiles;

std::string MessageOfReading(const Bytes& file) {
    TPngImageRef image = TPngImage::Create();
    MemoryStream stream(file);
    try {
        image->LoadFromStream(stream);
    } catch (const VarnholtError& error) {
        return error.what();
    }
    return "(no error)";
}

// The header of a chunk whose data the file does not hold.
Bytes WithChunkHeader(Bytes file, std::uint32_t length, const std::string& type) {
    PutU32(file, length);
    file.insert(file.end(), type.begin(), type.end());
    file.insert(file.end(), {'a', 0, 0, 0});
    return file;
}

}  // namespace

TEST(PngDamagedFiles, AHugeChunkLengthFailsBeforeMemoryIsSetAside) {
    // libpng would allocate and clear the 1.2 GB the length claims before reading a byte.
    const Bytes start = MakePng({Ihdr(32, 32, 4, 0)});
    // libpng asks for the length or one byte more, depending on the chunk.
    for (const char* type : {"iTXt", "zTXt", "tEXt", "sPLT"}) {
        const std::string message = MessageOfReading(WithChunkHeader(start, 1224736825, type));
        EXPECT_EQ(message.rfind("PNG chunk too large: 122473682", 0), 0u)
            << type << ": " << message;
    }
    // Chunks libpng reads piece by piece simply run out of data.
    for (const char* type : {"iCCP", "ruSt"})
        EXPECT_EQ(MessageOfReading(WithChunkHeader(start, 1224736825, type)), "Stream read error");
    // Lengths within reason still end at the transfer limit or the end of the stream.
    EXPECT_EQ(MessageOfReading(WithChunkHeader(start, 100000, "tEXt")),
              "Buffer override: needed 100000bytes for buffer !");
}

TEST(PngDamagedFiles, RowsTheFileNeverDeliveredAreDropped) {
    // A header claiming a gigabyte of pixels over a few bytes of data: nothing of it may stay
    // behind (nor be set aside and cleared up front, which took a second and a gigabyte).
    const Bytes claimsHuge =
        MakePng({Ihdr(16000, 16000, 8, 6), Idat({Bytes(4 * 16000, 0)}), Iend()});
    // A real image cut inside its image data.
    Bytes whole =
        MakePng({Ihdr(40, 30, 8, 2), Idat(std::vector<Bytes>(30, Bytes(3 * 40, 7))), Iend()});
    const Bytes cut(whole.begin(), whole.begin() + long(whole.size() / 2));
    for (const Bytes* file : {&claimsHuge, &cut}) {
        TPngImageRef image = TPngImage::Create();
        MemoryStream stream(*file);
        EXPECT_THROW(image->LoadFromStream(stream), VarnholtError);
        EXPECT_EQ(image->PixelData(), nullptr);
        EXPECT_TRUE(image->RowPointers().empty());
    }
}
