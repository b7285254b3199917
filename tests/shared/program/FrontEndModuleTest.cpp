#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Errors.h"
#include "FrontEndModule.h"

TEST(FrontEndModule, FoundBesideTheProgramElseInTheInstalledLibraryFolder) {
    EXPECT_EQ(FrontEndModuleCandidates("/opt/v/bin", "../lib/varnholt"),
              (std::vector<std::string>{"/opt/v/bin/varnholt-frontend.so",
                                        "/opt/v/lib/varnholt/varnholt-frontend.so"}));
    // Neither lies beside a test: the error names the installed place and the reason.
    try {
        LoadFrontEnd();
        FAIL() << "a front end was loaded";
    } catch (const VarnholtError& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.rfind("Cannot load the window front end: /", 0), 0u) << text;
        EXPECT_NE(text.find("/varnholt/varnholt-frontend.so: cannot open"), std::string::npos);
    }
}
