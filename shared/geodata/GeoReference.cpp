#include "GeoReference.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "Errors.h"
#include "FileLookup.h"
#include "ReadOnlyFile.h"
#include "ReplacingFile.h"

namespace {

// Sidecars are small; anything much larger is not one and is not read whole.
constexpr std::uint64_t kWorldFileLimit = 64 * 1024;
constexpr std::uint64_t kAuxFileLimit = 16 * 1024 * 1024;

// GDAL's own text for EPSG:4326, so gdalinfo and gdalsrsinfo name the code.
const char* const kWgs84Wkt =
    "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,"
    "AUTHORITY[\"EPSG\",\"7030\"]],AUTHORITY[\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0,"
    "AUTHORITY[\"EPSG\",\"8901\"]],UNIT[\"degree\",0.0174532925199433,AUTHORITY[\"EPSG\","
    "\"9122\"]],AXIS[\"Latitude\",NORTH],AXIS[\"Longitude\",EAST],AUTHORITY[\"EPSG\",\"4326\"]]";

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Shortest text that reads back as the same double, whatever the locale.
std::string NumberText(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::optional<double> ParseNumber(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Up to count numbers separated by white space or commas; fewer when the text ends first.
std::optional<std::vector<double>> ParseNumbers(const std::string& text, std::size_t count) {
    std::vector<double> numbers;
    std::size_t position = 0;
    while (numbers.size() < count) {
        position = text.find_first_not_of(" \t\r\n,", position);
        if (position == std::string::npos) break;
        const std::size_t end = std::min(text.find_first_of(" \t\r\n,", position), text.size());
        const std::optional<double> number =
            ParseNumber(std::string_view(text).substr(position, end - position));
        if (!number) return std::nullopt;
        numbers.push_back(*number);
        position = end;
    }
    return numbers;
}

bool Invertible(const GeoTransform& t) {
    const double determinant = t.xPerColumn * t.yPerRow - t.xPerRow * t.yPerColumn;
    return std::isfinite(determinant) && determinant != 0;
}

std::string ReadSidecar(const std::string& path, std::uint64_t limit) {
    ReadOnlyFile file(path);
    if (file.Size() > limit)
        throw VarnholtError(path + " is too large to be a georeferencing file");
    std::string text(std::size_t(file.Size()), '\0');
    const std::size_t got = file.ReadAt(0, text.data(), text.size());
    text.resize(got);
    return text;
}

void WriteSidecar(const std::string& path, const std::string& text) {
    ReplacingFile file(path, text.size() + 1);
    file.Write(text);
    file.Commit();
}

// As GDAL writes it, so the well-known text keeps its quotes.
std::string XmlEscaped(const std::string& text, bool attribute) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else if (c == '"' && attribute)
            escaped += "&quot;";
        else
            escaped += c;
    }
    return escaped;
}

// GDAL's geotransform names the outer corner of the upper-left pixel.
GeoTransform FromGdalGeoTransform(const std::vector<double>& g) {
    GeoTransform t{g[1], g[4], g[2], g[5], 0, 0};
    t.centreX = g[0] + 0.5 * g[1] + 0.5 * g[2];
    t.centreY = g[3] + 0.5 * g[4] + 0.5 * g[5];
    return t;
}

}  // namespace

GeoTransform GeoTransform::NorthUp(MapPoint upperLeftCentre, double pixelWidth,
                                   double pixelHeight) {
    return {pixelWidth, 0, 0, -pixelHeight, upperLeftCentre.x, upperLeftCentre.y};
}

MapPoint GeoTransform::PixelToMap(double column, double row) const {
    return {centreX + xPerColumn * column + xPerRow * row,
            centreY + yPerColumn * column + yPerRow * row};
}

MapPoint GeoTransform::MapToPixel(MapPoint point) const {
    const double determinant = xPerColumn * yPerRow - xPerRow * yPerColumn;
    if (determinant == 0)
        return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    const double dx = point.x - centreX;
    const double dy = point.y - centreY;
    return {(yPerRow * dx - xPerRow * dy) / determinant,
            (xPerColumn * dy - yPerColumn * dx) / determinant};
}

CoordinateSystem Wgs84LonLat() { return {kWgs84Wkt, "2,1"}; }

GeoReference Wgs84Reference(const GeoTransform& transform) { return {transform, Wgs84LonLat()}; }

std::string WorldFileName(const std::string& imagePath) {
    const std::string name = FileNamePart(imagePath);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot < 3) return imagePath + ".wld";
    const std::string base = imagePath.substr(0, imagePath.size() - (name.size() - dot));
    const char last = name.back();
    const bool upper = last >= 'A' && last <= 'Z';
    return base + "." + name[dot + 1] + last + (upper ? 'W' : 'w');
}

std::string AuxFileName(const std::string& imagePath) { return imagePath + ".aux.xml"; }

std::string WorldFileText(const GeoTransform& t) {
    std::string text;
    for (double term : {t.xPerColumn, t.yPerColumn, t.xPerRow, t.yPerRow, t.centreX, t.centreY})
        text += NumberText(term) + "\n";
    return text;
}

GeoTransform ParseWorldFile(const std::string& text, const std::string& path) {
    const std::optional<std::vector<double>> terms = ParseNumbers(text, 6);
    if (!terms || terms->size() < 6)
        throw VarnholtError(path + " is not a world file: it must begin with six numbers");
    const std::vector<double>& g = *terms;
    const GeoTransform transform{g[0], g[1], g[2], g[3], g[4], g[5]};
    if (!Invertible(transform))
        throw VarnholtError(path + " is not a world file: its pixels have no area");
    return transform;
}

std::string AuxFileText(const CoordinateSystem& system) {
    std::string text = "<PAMDataset>\n  <SRS";
    if (!system.axisMapping.empty())
        text += " dataAxisToSRSAxisMapping=\"" + XmlEscaped(system.axisMapping, true) + "\"";
    return text + ">" + XmlEscaped(system.wkt, false) + "</SRS>\n</PAMDataset>\n";
}

GeoReference ParseAuxFile(const std::string& text, const std::string& path) {
    GeoReference reference;
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    if (!xml.readNextStartElement() || xml.name() != QStringLiteral("PAMDataset"))
        throw VarnholtError(path + " is not a GDAL auxiliary file");
    // Only the dataset's own elements: the bands' metadata describe the old image's values.
    while (xml.readNextStartElement()) {
        if (xml.name() == QStringLiteral("SRS")) {
            CoordinateSystem system;
            system.axisMapping =
                xml.attributes().value("dataAxisToSRSAxisMapping").toString().toStdString();
            system.wkt = xml.readElementText().trimmed().toStdString();
            if (!system.wkt.empty()) reference.coordinateSystem = system;
        } else if (xml.name() == QStringLiteral("GeoTransform")) {
            const std::string terms = xml.readElementText().toStdString();
            const std::optional<std::vector<double>> g = ParseNumbers(terms, 6);
            if (g && g->size() == 6 && Invertible(FromGdalGeoTransform(*g)))
                reference.transform = FromGdalGeoTransform(*g);
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        throw VarnholtError(path +
                            " is not a GDAL auxiliary file: " + xml.errorString().toStdString());
    return reference;
}

void WriteGeoreference(const std::string& imagePath, const GeoReference& reference) {
    const std::string worldFile = WorldFileName(imagePath);
    const std::string auxFile = AuxFileName(imagePath);
    try {
        if (reference.transform)
            WriteSidecar(worldFile, WorldFileText(*reference.transform));
        else
            RemoveFileIfPresent(worldFile);
        if (reference.coordinateSystem)
            WriteSidecar(auxFile, AuxFileText(*reference.coordinateSystem));
        else
            RemoveFileIfPresent(auxFile);
    } catch (const VarnholtError&) {
        // Half a reference, or one of an older image, would place the new image wrongly.
        for (const std::string& sidecar : {worldFile, auxFile}) {
            try {
                RemoveFileIfPresent(sidecar);
            } catch (const VarnholtError&) {
            }
        }
        throw;
    }
}

void WithdrawStaleGeoreference(const std::string& imagePath, const GeoReference& reference) {
    auto withdraw = [](const std::string& sidecar, const std::optional<std::string>& wanted) {
        if (!FileExists(sidecar)) return;
        try {
            if (wanted && ReadSidecar(sidecar, wanted->size()) == *wanted) return;
        } catch (const VarnholtError&) {
        }
        RemoveFileIfPresent(sidecar);
    };
    withdraw(WorldFileName(imagePath), reference.transform
                                           ? std::optional(WorldFileText(*reference.transform))
                                           : std::nullopt);
    withdraw(AuxFileName(imagePath), reference.coordinateSystem
                                         ? std::optional(AuxFileText(*reference.coordinateSystem))
                                         : std::nullopt);
}

GeoReference ReadGeoreference(const std::string& imagePath) {
    GeoReference reference;
    const std::string auxFile = AuxFileName(imagePath);
    if (FileExists(auxFile)) reference = ParseAuxFile(ReadSidecar(auxFile, kAuxFileLimit), auxFile);

    const std::string name = FileNamePart(imagePath);
    const std::size_t dot = name.find_last_of('.');
    std::vector<std::string> worldFiles = {WorldFileName(imagePath)};
    if (dot != std::string::npos && dot != 0) {
        const std::string base = imagePath.substr(0, imagePath.size() - (name.size() - dot));
        worldFiles.push_back(imagePath + "w");
        worldFiles.push_back(base + ".wld");
    }
    for (const std::string& worldFile : worldFiles) {
        if (!FileExists(worldFile)) continue;
        reference.transform = ParseWorldFile(ReadSidecar(worldFile, kWorldFileLimit), worldFile);
        break;
    }
    return reference;
}
