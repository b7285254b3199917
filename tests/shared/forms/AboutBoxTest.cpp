#include <gtest/gtest.h>

#include "AboutDisplay.h"
#include "ScriptedInteraction.h"

namespace {

// The test program stands in for the running executable whose name the box shows.
constexpr const char* kExecutable = "test_forms";

VersionBlock ProgramBlock(std::string webSite = "www.maps.example") {
    VersionBlock block;
    block.translations = TranslationEntry(0x0809, 0x04E4);
    block.fixed.fileVersionMS = VersionWord(1, 2);
    block.fixed.fileVersionLS = VersionWord(3, 4);
    block.stringTables = {{"080904E4",
                           {{"ProductName", "Terrafold"},
                            {"LegalCopyright", "(c) Varnholt"},
                            {"FileVersion", ""},
                            {"Comments", "2024 Jan 05"},
                            {"Web site", std::move(webSite)}}}};
    return block;
}

}  // namespace

TEST(AboutBox, ShowingFillsCaptionVersionLineAndLink) {
    ScriptedInteraction ui;
    VersionBlock block = ProgramBlock();
    TAboutBoxVRN1 box(ui, &block, AboutVariant::Standard);
    // Filled when made, before any showing.
    EXPECT_EQ(box.ProductName.Caption(), "Terrafold");
    EXPECT_EQ(box.Copyright.Caption(), "(c) Varnholt");

    ui.ShowModal(box);
    EXPECT_EQ(box.Caption(), "About Varnholt's Terrafold");
    EXPECT_EQ(box.Version.Caption(), std::string(kExecutable) + ", V1.2.3.4, 2024 Jan 05");
    EXPECT_EQ(box.WebSite.Caption(), "www.maps.example");
    ASSERT_NE(box.ProgramIcon.Picture(), nullptr);
    EXPECT_EQ(box.ProgramIcon.Picture()->Width(), 32);

    // Each showing fills the labels again.
    box.OKButton.OnClick();
    EXPECT_TRUE(box.IsClosed());
    box.Version.SetCaption("changed");
    ui.ShowModal(box);
    EXPECT_FALSE(box.IsClosed());
    EXPECT_EQ(box.Version.Caption(), std::string(kExecutable) + ", V1.2.3.4, 2024 Jan 05");
}

TEST(AboutBox, WithoutVersionDataShowsOnlyTheFrame) {
    ScriptedInteraction ui;
    TAboutBoxVRN1 box(ui, nullptr, AboutVariant::Standard);
    ui.ShowModal(box);
    EXPECT_EQ(box.Caption(), "About Varnholt's ");
    EXPECT_EQ(box.ProductName.Caption(), "");
    EXPECT_EQ(box.Copyright.Caption(), "");
    EXPECT_EQ(box.Version.Caption(), std::string(kExecutable) + ", V, ");
    EXPECT_EQ(box.WebSite.Caption(), "");
    box.WebSiteClick();
    EXPECT_TRUE(ui.urlsOpened.empty());
}

TEST(AboutBox, WebLinkGetsASchemeOnlyWhenItHasNone) {
    struct Case {
        std::string site;
        std::string opened;
    };
    for (const Case& c : {Case{"www.maps.example", "http://www.maps.example"},
                          Case{"http://www.maps.example", "http://www.maps.example"},
                          Case{"see http://maps.example", "see http://maps.example"},
                          Case{"https://maps.example", "https://maps.example"},
                          Case{"HTTP://MAPS.EXAMPLE", "HTTP://MAPS.EXAMPLE"}}) {
        ScriptedInteraction ui;
        VersionBlock block = ProgramBlock(c.site);
        TAboutBoxVRN1 box(ui, &block, AboutVariant::Standard);
        ui.ShowModal(box);
        box.WebSite.OnClick();
        ASSERT_EQ(ui.urlsOpened.size(), 1u) << c.site;
        EXPECT_EQ(ui.urlsOpened[0], c.opened);
    }
}

TEST(AboutBox, StandardVariantIsWiderAndEscapePressesOk) {
    ScriptedInteraction ui;
    VersionBlock block = ProgramBlock();
    TAboutBoxVRN1 box(ui, &block, AboutVariant::Standard);
    EXPECT_EQ(box.ClientWidth(), 338);
    EXPECT_EQ(box.ClientHeight(), 213);
    EXPECT_EQ(box.Panel1.GetBounds().width, 321);
    EXPECT_EQ(box.WebSite.GetBounds().left, 272);
    EXPECT_EQ(box.OKButton.GetBounds().left, 135);
    EXPECT_TRUE(box.OKButton.isDefault);
    EXPECT_TRUE(box.OKButton.isCancel);
    EXPECT_FALSE(box.OKButton.OnKeyPress);
}

TEST(AboutBox, StrandelVariantKeepsTheNarrowBoxAndClosesOnEscapeTypedOnOk) {
    ScriptedInteraction ui;
    VersionBlock block = ProgramBlock();
    TAboutBoxVRN1 box(ui, &block, AboutVariant::Strandel);
    EXPECT_EQ(box.ClientWidth(), 298);
    EXPECT_EQ(box.Panel1.GetBounds().width, 281);
    EXPECT_EQ(box.WebSite.GetBounds().left, 232);
    EXPECT_EQ(box.OKButton.GetBounds().left, 111);
    EXPECT_FALSE(box.OKButton.isCancel);

    ui.ShowModal(box);
    char key = 'a';
    box.OKButton.OnKeyPress(key);
    EXPECT_FALSE(box.IsClosed());
    key = 27;
    box.OKButton.OnKeyPress(key);
    EXPECT_TRUE(box.IsClosed());
}
