#include "MultisegmentText.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "AsciiCase.h"
#include "Errors.h"

namespace {

int LevelFromHeader(std::string_view header) {
    for (std::size_t at = 0; at + 5 <= header.size(); ++at) {
        if (!EqualsIgnoringCase(header.substr(at, 5), "level")) continue;
        std::size_t digits = at + 5;
        while (digits < header.size() && (header[digits] == ' ' || header[digits] == '\t')) {
            ++digits;
        }
        int level = 0;
        auto [end, error] =
            std::from_chars(header.data() + digits, header.data() + header.size(), level);
        if (error == std::errc() && end != header.data() + digits) return level;
    }
    return 0;
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; }

// Parses one number at `at`, skipping separators before it; false when there is none.
bool NextNumber(std::string_view line, std::size_t& at, double& value) {
    while (at < line.size() && IsSeparator(line[at])) ++at;
    if (at < line.size() && line[at] == '+') ++at;
    auto [end, error] = std::from_chars(line.data() + at, line.data() + line.size(), value);
    if (error != std::errc() || !std::isfinite(value)) return false;
    at = static_cast<std::size_t>(end - line.data());
    return at == line.size() || IsSeparator(line[at]);
}

}  // namespace

std::vector<TextSegment> ParseMultisegmentText(const std::string& text,
                                               const std::string& fileName) {
    std::vector<TextSegment> segments;
    bool inSegment = false;
    int lineNumber = 0;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = text.size();
        std::string_view line(text.data() + lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        ++lineNumber;

        std::size_t first = 0;
        while (first < line.size() && IsSeparator(line[first])) ++first;
        if (first == line.size() || line[first] == '#') continue;
        if (line[first] == '>') {
            segments.push_back({LevelFromHeader(line), {}, lineNumber});
            inSegment = true;
            continue;
        }
        std::string where = fileName + ":" + std::to_string(lineNumber);
        double lon = 0;
        double lat = 0;
        std::size_t at = first;
        if (!NextNumber(line, at, lon) || !NextNumber(line, at, lat)) {
            throw VarnholtError(where + ": expected a longitude and a latitude in degrees");
        }
        if (lat < -90 || lat > 90 || lon < -540 || lon > 540) {
            throw VarnholtError(where + ": coordinates out of range");
        }
        if (!inSegment) {
            segments.push_back({0, {}, lineNumber});
            inSegment = true;
        }
        segments.back().points.push_back({static_cast<std::int64_t>(std::nearbyint(lon * 1e6)),
                                          static_cast<std::int64_t>(std::nearbyint(lat * 1e6))});
    }
    std::erase_if(segments, [](const TextSegment& s) { return s.points.empty(); });
    return segments;
}
