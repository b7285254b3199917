#include <gtest/gtest.h>

#include "AsciiCase.h"

TEST(AsciiCase, FoldsOnlyLettersAToZ) {
    EXPECT_TRUE(EqualsIgnoringCase("Description", "dEsCrIpTiOn"));
    EXPECT_FALSE(EqualsIgnoringCase("Title", "Titles"));
    EXPECT_FALSE(EqualsIgnoringCase("@[", "`{"));      // the bytes next to the letter ranges
    EXPECT_FALSE(EqualsIgnoringCase("\xC4", "\xE4"));  // Latin-1 A and a umlaut stay apart
    EXPECT_TRUE(ContainsIgnoringCase("see HTTPS://example.org", "https://"));
    EXPECT_FALSE(ContainsIgnoringCase("ftp://example.org", "http://"));
}
