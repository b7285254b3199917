#include "MapDocument.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "AsciiCase.h"
#include "Interaction.h"
#include "RegistryVariables.h"

MapFileFormat MapFileFormatOf(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (EqualsIgnoringCase(extension, ".png")) return MapFileFormat::Png;
    if (EqualsIgnoringCase(extension, ".bmp")) return MapFileFormat::Bmp;
    if (EqualsIgnoringCase(extension, ".svg")) return MapFileFormat::Svg;
    if (EqualsIgnoringCase(extension, ".pdf")) return MapFileFormat::Pdf;
    return MapFileFormat::Unknown;
}

std::string UnknownMapFormatText(const std::string& path) {
    return "A map file name ends in .svg, .pdf, .png or .bmp, not '" + path + "'";
}

double ParsePageWidthMm(const std::string& text) {
    if (text.empty()) return 0;
    double millimetres = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), millimetres);
    if (error != std::errc() || end != text.data() + text.size()) return -1;
    if (!std::isfinite(millimetres) || millimetres <= 0 || millimetres >= 10000) return -1;
    return millimetres;
}

std::optional<double> AskPageWidth(ui::Interaction& ui, const std::string& path) {
    if (!IsVectorFormat(MapFileFormatOf(path))) return 0.0;
    struct Page {
        const char* name;
        double widthMm;
    };
    static constexpr Page kPages[] = {{"A4 landscape (297 mm)", 297},
                                      {"A3 landscape (420 mm)", 420},
                                      {"A2 landscape (594 mm)", 594},
                                      {"One point per pixel", 0}};
    TRegistryString stored("ExportPageWidth", "");  // empty: a point a pixel
    ui::ChoiceDialog dialog;
    dialog.title = "Export map";
    dialog.prompt = "Page width:";
    dialog.itemIndex = int(std::size(kPages)) - 1;
    for (const Page& page : kPages) {
        if (ParsePageWidthMm(stored.Value) == page.widthMm) dialog.itemIndex = int(&page - kPages);
        dialog.items.push_back(page.name);
    }
    const std::optional<int> picked = ui.ExecuteChoice(dialog);
    if (!picked || *picked < 0 || *picked >= int(std::size(kPages))) return std::nullopt;
    const double widthMm = kPages[*picked].widthMm;
    stored.Value = widthMm == 0 ? "" : std::to_string(int(widthMm));
    return widthMm;
}

namespace {

std::string Degrees(double value, char positive, char negative) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g %c", std::fabs(value), value < 0 ? negative : positive);
    return text;
}

}  // namespace

std::string DescribeBounds(const GeoBounds& bounds) {
    return Degrees(bounds.west, 'E', 'W') + " to " + Degrees(bounds.east, 'E', 'W') + ", " +
           Degrees(bounds.south, 'N', 'S') + " to " + Degrees(bounds.north, 'N', 'S') +
           "; WGS 84 longitude and latitude (EPSG:4326), linear on both axes";
}
