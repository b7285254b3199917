#pragma once
// Comparing names without regard to case: file names, PNG text keys, version-block paths.
// Only A to Z fold, whatever the locale the toolkit set, so a match never depends on the user's
// language settings.
#include <algorithm>
#include <string_view>

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

constexpr bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char x, char y) { return AsciiLower(x) == AsciiLower(y); }) != text.end();
}
