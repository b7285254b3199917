#include <gtest/gtest.h>

#include "ExecutablePath.h"
#include "VersInfo.h"

namespace {

VersionStringTable Table(std::string translation,
                         std::vector<std::pair<std::string, std::string>> values) {
    return {std::move(translation), std::move(values)};
}

VersionBlock BlockWithTranslation(std::vector<std::uint8_t> translations,
                                  std::vector<VersionStringTable> tables) {
    VersionBlock block;
    block.translations = std::move(translations);
    block.stringTables = std::move(tables);
    return block;
}

}  // namespace

TEST(VersionBlock, AnswersOnlyWellFormedPaths) {
    VersionBlock block = BlockWithTranslation(TranslationEntry(0x0809, 0x04E4),
                                              {Table("080904E4", {{"ProductName", "Globe"}})});
    auto text = block.Query("\\stringfileinfo\\080904e4\\productname");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size, 6u);  // with its terminating zero
    EXPECT_TRUE(block.Query("\\"));
    EXPECT_TRUE(block.Query("\\VarFileInfo\\Translation"));
    for (const char* bad : {"", "StringFileInfo\\080904E4\\ProductName",
                            "\\StringFileInfo\\080904E4\\", "\\StringFileInfo\\\\ProductName",
                            "\\StringFileInfo\\080904E4\\ProductName\\x", "\\VarFileInfo"})
        EXPECT_FALSE(block.Query(bad)) << bad;
}

TEST(VersionInfo, ZeroLanguageAndCodePageStandForUsEnglishAnsi) {
    VersionBlock block = BlockWithTranslation(TranslationEntry(0, 0),
                                              {Table("040904E4", {{"ProductName", "Globe"}})});
    TdfsVersionInfoResource info(&block);
    EXPECT_EQ(info.Translations(), std::vector<std::string>{"040904E4"});
    EXPECT_EQ(info.Value(pdProductName), "Globe");
}

TEST(VersionInfo, TranslationsAreEightUpperCaseHexDigitsAndPartialEntriesAreIgnored) {
    std::vector<std::uint8_t> bytes = TranslationEntry(0x0c0a, 0x04b0);
    auto second = TranslationEntry(0x0809, 0x04E4);
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.push_back(0x09);  // a stray byte, no whole entry
    VersionBlock block = BlockWithTranslation(bytes, {});
    TdfsVersionInfoResource info(&block);
    EXPECT_EQ(info.Translations(), (std::vector<std::string>{"0C0A04B0", "080904E4"}));

    VersionBlock shortList = BlockWithTranslation({0x09, 0x08, 0xE4}, {});
    EXPECT_TRUE(TdfsVersionInfoResource(&shortList).Translations().empty());
}

TEST(VersionInfo, WithoutTranslationListTheUsEnglishTableIsRead) {
    VersionBlock block;
    block.stringTables = {Table("080904E4", {{"ProductName", "British"}}),
                          Table("040904E4", {{"ProductName", "American"}})};
    TdfsVersionInfoResource info(&block);
    EXPECT_TRUE(info.Translations().empty());
    EXPECT_EQ(info.Value(pdProductName), "American");
}

TEST(VersionInfo, TranslationInUseSelectsTheTableAndFallsBackWhenOutOfRange) {
    std::vector<std::uint8_t> bytes = TranslationEntry(0x0809, 0x04E4);
    auto second = TranslationEntry(0x0407, 0x04E4);
    bytes.insert(bytes.end(), second.begin(), second.end());
    VersionBlock block = BlockWithTranslation(
        bytes, {Table("080904E4", {{"Comments", "en"}}), Table("040704E4", {{"Comments", "de"}})});
    TdfsVersionInfoResource info(&block);
    EXPECT_EQ(info.Value(pdComments), "en");
    info.SetTranslationIndex(1);
    EXPECT_EQ(info.Value(pdComments), "de");
    info.SetTranslationIndex(5);  // past the list: the default table, which this block lacks
    EXPECT_EQ(info.Value(pdComments), "");
    info.Reload();
    EXPECT_EQ(info.TranslationIndex(), 0);
    EXPECT_EQ(info.Value(pdComments), "en");
}

TEST(VersionInfo, ValuesByIndexFollowTheKeyTableAndAreEmptyOutsideIt) {
    std::vector<std::pair<std::string, std::string>> values;
    for (int i = 0; i < kPreDefCount; ++i)
        values.emplace_back(kPreDefKeys[i], "value " + std::to_string(i));
    values.emplace_back("Web site", "www.example.org");
    VersionBlock block =
        BlockWithTranslation(TranslationEntry(0x0809, 0x04E4), {Table("080904E4", values)});
    TdfsVersionInfoResource info(&block);
    EXPECT_EQ(info.ValueByIndex(pdCompanyName), "value 0");
    EXPECT_EQ(info.ValueByIndex(pdBuildFlags), "value 10");
    EXPECT_EQ(info.ValueByIndex(-1), "");
    EXPECT_EQ(info.ValueByIndex(11), "");
    EXPECT_EQ(info.ValueByKey("Web site"), "www.example.org");
    EXPECT_EQ(info.ValueByKey("Author"), "");
    EXPECT_STREQ(kPreDefKeys[pdLegalTrademarks], "LegalTrademarks");
    EXPECT_STREQ(kPreDefKeys[pdOriginalFilename], "OriginalFilename");
}

TEST(VersionInfo, FileVersionTextWinsOverTheFixedPartNumbers) {
    VersionBlock block = BlockWithTranslation(
        TranslationEntry(0x0809, 0x04E4),
        {Table("080904E4", {{"FileVersion", "2.0 beta"}, {"ProductVersion", ""}})});
    block.fixed.fileVersionMS = VersionWord(1, 2);
    block.fixed.fileVersionLS = VersionWord(3, 4);
    block.fixed.productVersionMS = VersionWord(65535, 7);
    block.fixed.productVersionLS = VersionWord(40000, 0);
    TdfsVersionInfoResource info(&block);
    EXPECT_EQ(info.FileVersion().DisplayText(), "2.0 beta");
    EXPECT_EQ(info.FileVersion().Major(), 1u);
    EXPECT_EQ(info.FileVersion().Build(), 4u);
    // Each part is an unsigned 16-bit number.
    EXPECT_EQ(info.ProductVersion().DisplayText(), "65535.7.40000.0");
    EXPECT_EQ(info.FixedFileVersionInfo().ProductVersionMS(), VersionWord(65535, 7));
}

TEST(VersionInfo, NoVersionDataLeavesEverythingEmpty) {
    TdfsVersionInfoResource info(nullptr);
    ui::Label copyright("Copyright");
    copyright.SetCaption("Copyright");
    info.SetCopyrightLabel(&copyright);
    EXPECT_FALSE(info.FileVersion().Valid());
    EXPECT_EQ(info.FileVersion().DisplayText(), "");
    EXPECT_EQ(info.ProductVersion().DisplayText(), "");
    EXPECT_EQ(info.Value(pdProductName), "");
    EXPECT_EQ(info.FixedFileVersionInfo().FileVersionMS(), 0u);
    EXPECT_EQ(copyright.Caption(), "");
}

TEST(VersionInfo, LabelsAreFilledWhenGivenAndAgainAfterEachReload) {
    VersionBlock block =
        BlockWithTranslation(TranslationEntry(0x0809, 0x04E4),
                             {Table("080904E4", {{"LegalCopyright", "(c) Cartographers"},
                                                 {"ProductName", "Globe"},
                                                 {"FileDescription", "Maps"}})});
    block.fixed.fileVersionMS = VersionWord(3, 1);
    TdfsVersionInfoResource info(&block);
    ui::Label version("Version"), copyright("Copyright"), product("Product"), about("About");
    info.SetVersionLabel(&version);
    info.SetCopyrightLabel(&copyright);
    info.SetProductLabel(&product);
    info.SetDescriptionLabel(&about);
    EXPECT_EQ(version.Caption(), "3.1.0.0");
    EXPECT_EQ(copyright.Caption(), "(c) Cartographers");
    EXPECT_EQ(product.Caption(), "Globe");
    EXPECT_EQ(about.Caption(), "Maps");

    // Another file has no compiled-in block; the running program's executable does.
    info.SetFilename("/nonexistent/other-program");
    EXPECT_EQ(product.Caption(), "");
    EXPECT_EQ(version.Caption(), "");
    info.SetFilename(ExecutablePath());
    EXPECT_EQ(product.Caption(), "Globe");
}
