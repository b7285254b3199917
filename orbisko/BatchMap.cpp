#include "BatchMap.h"

#include <charconv>

#include "OrbiskoForm.h"

namespace {

// Options of the command line that take a value.
bool TakesValue(const std::string& name) {
    return name == "preset" || name == "bounds" || name == "data" || name == "save";
}

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

}  // namespace

MapCommandLine ParseMapCommands(const std::vector<std::string>& args) {
    MapCommandLine result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) continue;
        std::string name = arg.substr(2);
        std::string value;
        bool hasValue = false;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        } else if (TakesValue(name) && i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
            value = args[++i];
            hasValue = true;
        }

        MapCommand command;
        if (name == "zoom-out") {
            command.kind = MapCommand::Kind::ZoomOut;
        } else if (name == "monochrome") {
            command.kind = MapCommand::Kind::Monochrome;
        } else if (name == "preset") {
            command.kind = MapCommand::Kind::Preset;
            command.preset = value;
            if (value != "world" && value != "uk" && value != "scandinavia" &&
                value != "middleeast") {
                result.error = "--preset must be world, uk, scandinavia or middleeast";
                return result;
            }
        } else if (name == "bounds") {
            command.kind = MapCommand::Kind::Bounds;
            if (!hasValue || !ParseBounds(value, command)) {
                result.error = "--bounds needs W,S,E,N: four whole numbers of arc-minutes";
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
        if (form.Timer1.Enabled()) form.Timer1Timer();
    }
}

void DrawAndSaveMap(TFormMain& form, bool topography, const std::string& fileName) {
    if (topography)
        form.ViewTopographyClick();
    else
        form.DrawMap();
    form.SaveMap(fileName);
}
