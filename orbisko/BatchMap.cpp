#include "BatchMap.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "BatchRunner.h"
#include "OrbiskoForm.h"

namespace {

bool ParseBounds(const std::string& text, MapCommand& command) {
    int* fields[] = {&command.west, &command.south, &command.east, &command.north};
    const char* position = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < 4; ++i) {
        const auto [next, error] = std::from_chars(position, end, *fields[i]);
        if (error != std::errc() || next == position) return false;
        position = next;
        if (i < 3) {
            if (position == end || *position != ',') return false;
            ++position;
        }
    }
    return position == end;
}

// Four decimal numbers of degrees, as GDAL's and GMT's users type them, to whole arc-minutes.
bool ParseRegion(const std::string& text, MapCommand& command) {
    int* fields[] = {&command.west, &command.south, &command.east, &command.north};
    const char* position = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < 4; ++i) {
        double degrees = 0;
        const auto [next, error] = std::from_chars(position, end, degrees);
        if (error != std::errc() || next == position) return false;
        const double limit = i % 2 == 0 ? 180 : 90;
        if (!(std::fabs(degrees) <= limit)) return false;
        *fields[i] = int(std::nearbyint(degrees * 60));
        position = next;
        if (i < 3) {
            if (position == end || *position != ',') return false;
            ++position;
        }
    }
    return position == end;
}

}  // namespace

std::string DrawnBoundsText(const TFormMain& form) {
    const GeoBounds bounds = form.MapView.Bounds();
    char text[160];
    std::snprintf(text, sizeof text, "Bounds drawn (W,S,E,N degrees): %.6g,%.6g,%.6g,%.6g",
                  bounds.west, bounds.south, bounds.east, bounds.north);
    return text;
}

MapSize ParseMapSize(const std::string& text, std::string& error) {
    MapSize size;
    const char* position = text.data();
    const char* end = text.data() + text.size();
    auto [afterWidth, widthError] = std::from_chars(position, end, size.width);
    bool usable = widthError == std::errc() && afterWidth != position && afterWidth != end &&
                  *afterWidth == 'x';
    if (usable) {
        auto [afterHeight, heightError] = std::from_chars(afterWidth + 1, end, size.height);
        usable = heightError == std::errc() && afterHeight != afterWidth + 1 && afterHeight == end;
    }
    usable = usable && size.width >= 1 && size.height >= 1 && size.width <= kMaxMapSide &&
             size.height <= kMaxMapSide && (long long)size.width * size.height <= kMaxMapPixels;
    if (!usable) {
        error = "--size needs WIDTHxHEIGHT in pixels, each from 1 to " +
                std::to_string(kMaxMapSide) + " and " + std::to_string(kMaxMapPixels) +
                " pixels at most, not '" + text + "'";
        return MapSize{};
    }
    return size;
}

MapCommandLine MapCommandsOf(const app::Options& options) {
    MapCommandLine result;
    if (options.Has("bounds") && options.Has("region")) {
        result.error = "--bounds (arc-minutes) and --region (degrees) cannot be given together";
        return result;
    }
    for (const auto& [name, value] : options.Given()) {
        MapCommand command;
        if (name == "zoom-out") {
            command.kind = MapCommand::Kind::ZoomOut;
        } else if (name == "monochrome") {
            command.kind = MapCommand::Kind::Monochrome;
        } else if (name == "preset") {
            command.kind = MapCommand::Kind::Preset;
            command.preset = value;
        } else if (name == "bounds") {
            command.kind = MapCommand::Kind::Bounds;
            if (!ParseBounds(value, command)) {
                result.error = "--bounds needs W,S,E,N: four whole numbers of arc-minutes";
                return result;
            }
        } else if (name == "region") {
            command.kind = MapCommand::Kind::Bounds;
            if (!ParseRegion(value, command)) {
                result.error =
                    "--region needs W,S,E,N: four decimal numbers of degrees, longitudes within "
                    "-180..180 and latitudes within -90..90";
                return result;
            }
        } else {
            continue;
        }
        result.commands.push_back(command);
    }
    return result;
}

void RunMapCommands(TFormMain& form, const std::vector<MapCommand>& commands) {
    for (const MapCommand& command : commands) {
        switch (command.kind) {
            case MapCommand::Kind::Preset:
                if (command.preset == "world")
                    form.OpenWorldClick();
                else if (command.preset == "uk")
                    form.OpenUKClick();
                else if (command.preset == "scandinavia")
                    form.OpenScandinaviaClick();
                else
                    form.OpenMiddleEastClick();
                break;
            case MapCommand::Kind::Bounds:
                form.MapView.SetBounds(command.west, command.south, command.east, command.north);
                form.Timer1.SetEnabled(true);
                break;
            case MapCommand::Kind::ZoomOut:
                form.Zoomout1Click();
                break;
            case MapCommand::Kind::Monochrome:
                form.Monochrome1Click();
                break;
        }
        // The redraw the window's timer would make before the next command.
        batch::RunTimers(form, form.Ui());
    }
}

void DrawAndSaveMap(TFormMain& form, bool topography, const std::string& fileName,
                    double pageWidthMm) {
    if (topography)
        form.ViewTopographyClick();
    else
        form.DrawMap();
    form.SaveMap(fileName, pageWidthMm);
    if (form.MapDrawn()) form.Ui().ShowMessage(DrawnBoundsText(form));
}
