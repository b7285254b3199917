#include "Graphic.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "Errors.h"

void Graphic::Assign(const Graphic& source) {
    throw EConvertError(std::string("Cannot assign a ") + source.ClassName() + " to a " +
                        ClassName());
}

void Graphic::LoadFromFile(const std::string& fileName) {
    FileStream file(fileName, FileStream::Mode::Read);
    LoadFromStream(file);
}

void Graphic::SaveToFile(const std::string& fileName) {
    ReplacingFileStream file(fileName);
    SaveToStream(file);
    file.Commit();
}

namespace {

std::vector<PictureFormat>& Registry() {
    static std::vector<PictureFormat> formats;
    return formats;
}

std::string NormalExtension(std::string extension) {
    if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
    for (char& c : extension) c = char(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace

namespace PictureFormats {

void Register(const std::string& extension, const std::string& description,
              std::function<std::unique_ptr<Graphic>()> create) {
    Unregister(extension);
    Registry().push_back({NormalExtension(extension), description, std::move(create)});
}

void Unregister(const std::string& extension) {
    std::string key = NormalExtension(extension);
    std::erase_if(Registry(), [&](const PictureFormat& f) { return f.extension == key; });
}

const PictureFormat* Find(const std::string& extension) {
    std::string key = NormalExtension(extension);
    for (const PictureFormat& format : Registry())
        if (format.extension == key) return &format;
    return nullptr;
}

std::vector<PictureFormat> List() { return Registry(); }

std::unique_ptr<Graphic> Load(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    const PictureFormat* format = Find(extension);
    if (!format)
        throw EInvalidGraphicOperation("Unknown picture file extension (" + extension + ")");
    std::unique_ptr<Graphic> graphic = format->create();
    graphic->LoadFromFile(fileName);
    return graphic;
}

}  // namespace PictureFormats
