#include "PngChunks.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <utility>

#include "AsciiCase.h"
#include "Errors.h"

namespace pngcodec {

namespace {
bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}
}  // namespace

void TakeTexts(TPngImage& image, png_const_textp texts, int count) {
    image.TextList.clear();
    for (int i = 0; i < count; ++i) {
        const png_text& entry = texts[i];
        const char* key = entry.key ? entry.key : "";
        std::string text = entry.text ? entry.text : "";
        image.TextList.push_back(std::string(key) + "=" + text);
        if (EqualsIgnoringCase(key, "Title")) image.Title = text;
        if (EqualsIgnoringCase(key, "Author")) image.Author = text;
        if (EqualsIgnoringCase(key, "Description")) image.Description = text;
    }
}

int TextsToWrite(TPngImage& image, png_text (&texts)[4]) {
    const std::pair<const char*, std::string*> fields[] = {{"Author", &image.Author},
                                                           {"Description", &image.Description},
                                                           {"Software", &image.Software},
                                                           {"Title", &image.Title}};
    int count = 0;
    for (const auto& [key, value] : fields) {
        if (IsBlank(*value)) continue;
        png_text& entry = texts[count++];
        entry.compression = PNG_TEXT_COMPRESSION_NONE;
        entry.key = const_cast<char*>(key);
        entry.text = value->data();
        entry.text_length = value->size();
    }
    return count;
}

Colour BackgroundFrom(const png_color_16& background, int bitDepth, int colourType) {
    if (bitDepth == 16)
        return MakeColour(std::uint8_t(background.red >> 8), std::uint8_t(background.green >> 8),
                          std::uint8_t(background.blue >> 8));
    if (colourType != PNG_COLOR_TYPE_GRAY || bitDepth >= 8)
        return MakeColour(std::uint8_t(background.red), std::uint8_t(background.green),
                          std::uint8_t(background.blue));
    std::uint8_t grey = 0;
    switch (bitDepth) {
        case 1:
            grey = background.gray != 0 ? 255 : 0;
            break;
        case 2:
            grey = std::uint8_t((background.gray & 3) * 85);
            break;
        case 4:
            grey = std::uint8_t((background.gray & 15) * 17);
            break;
    }
    return MakeColour(grey, grey, grey);
}

// A leap second (60), which PNG allows, counts into the next minute.
std::chrono::local_seconds TimeFromPng(const png_time& time) {
    using namespace std::chrono;
    year_month_day date{year{time.year}, month{time.month}, day{time.day}};
    if (time.year < 1 || time.year > 9999 || !date.ok())
        throw EConvertError("Invalid argument to date encode");
    if (time.hour > 23 || time.minute > 59 || time.second > 60)
        throw EConvertError("Invalid argument to time encode");
    return local_days{date} + hours{time.hour} + minutes{time.minute} + seconds{time.second};
}

png_time LocalTimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    png_time stamp{};
    if (localtime_r(&now, &local)) png_convert_from_struct_tm(&stamp, &local);
    return stamp;
}

}  // namespace pngcodec
