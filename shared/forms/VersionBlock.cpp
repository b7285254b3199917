#include "VersionBlock.h"

#include <algorithm>

#include "AsciiCase.h"

namespace {

// Splits "\A\B\C" into its components; empty components (a doubled or trailing "\") make the
// path unusable, as no value has an empty name.
std::optional<std::vector<std::string_view>> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    if (path.empty() || path.front() != '\\') return std::nullopt;
    path.remove_prefix(1);
    while (!path.empty()) {
        std::size_t end = path.find('\\');
        std::string_view part = path.substr(0, end);
        if (part.empty()) return std::nullopt;
        parts.push_back(part);
        if (end == std::string_view::npos) break;
        path.remove_prefix(end + 1);
        if (path.empty()) return std::nullopt;
    }
    return parts;
}

}  // namespace

std::optional<VersionValue> VersionBlock::Query(std::string_view path) const {
    auto parts = SplitPath(path);
    if (!parts) return std::nullopt;
    if (parts->empty()) return VersionValue{&fixed, sizeof fixed};
    if (parts->size() == 2 && EqualsIgnoringCase((*parts)[0], "VarFileInfo") &&
        EqualsIgnoringCase((*parts)[1], "Translation")) {
        if (!translations) return std::nullopt;
        return VersionValue{translations->data(), translations->size()};
    }
    if (parts->size() == 3 && EqualsIgnoringCase((*parts)[0], "StringFileInfo")) {
        for (const auto& table : stringTables) {
            if (!EqualsIgnoringCase(table.translation, (*parts)[1])) continue;
            for (const auto& [key, text] : table.values)
                if (EqualsIgnoringCase(key, (*parts)[2]))
                    return VersionValue{text.c_str(), text.size() + 1};
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> TranslationEntry(std::uint16_t language, std::uint16_t codePage) {
    return {std::uint8_t(language & 0xFF), std::uint8_t(language >> 8),
            std::uint8_t(codePage & 0xFF), std::uint8_t(codePage >> 8)};
}
