#pragma once
// Version information of a program, read from its version block (VersionBlock.h) and handed out
// by index (TPreDef) or by key, with the file and product version numbers of the fixed part.
//
// Look-up: the string table used is the translation at the index in use, or "040904E4" when the
// translation list is shorter; a missing block, table or key gives "". Translation entries of
// language 0 or code page 0 stand for 0409 and 04E4. Labels handed to the component are filled
// at once and again after every reload; they must outlive it (both belong to the same form).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Controls.h"
#include "VersionBlock.h"

enum TPreDef {
    pdCompanyName,
    pdFileDescription,
    pdFileVersion,
    pdInternalName,
    pdLegalCopyright,
    pdLegalTrademarks,
    pdOriginalFilename,
    pdProductName,
    pdProductVersion,
    pdComments,
    pdBuildFlags,
};
constexpr int kPreDefCount = pdBuildFlags + 1;
extern const char* const kPreDefKeys[kPreDefCount];

// A version number: two fixed-part words and, when the string table has one, its text.
class TVersionNumberInformation {
public:
    bool Valid() const { return valid_; }
    std::uint32_t MostSignificant() const { return mostSignificant_; }
    std::uint32_t LeastSignificant() const { return leastSignificant_; }
    const std::string& Text() const { return text_; }
    unsigned Major() const { return mostSignificant_ >> 16; }
    unsigned Minor() const { return mostSignificant_ & 0xFFFF; }
    unsigned Release() const { return leastSignificant_ >> 16; }
    unsigned Build() const { return leastSignificant_ & 0xFFFF; }

    // "" when not valid, else the text when there is one, else "major.minor.release.build".
    std::string DisplayText() const;

    void Set(std::uint32_t mostSignificant, std::uint32_t leastSignificant, std::string text);
    void Invalidate();

private:
    bool valid_ = false;
    std::uint32_t mostSignificant_ = 0;
    std::uint32_t leastSignificant_ = 0;
    std::string text_;
};

// The fixed part of the loaded block; every word is 0 while none is loaded.
class TFixedFileVersionInfo {
public:
    void SetData(std::optional<FixedFileInfo> data) { data_ = data; }
    std::uint32_t FileVersionMS() const { return data_ ? data_->fileVersionMS : 0; }
    std::uint32_t FileVersionLS() const { return data_ ? data_->fileVersionLS : 0; }
    std::uint32_t ProductVersionMS() const { return data_ ? data_->productVersionMS : 0; }
    std::uint32_t ProductVersionLS() const { return data_ ? data_->productVersionLS : 0; }

private:
    std::optional<FixedFileInfo> data_;
};

class TdfsVersionInfoResource {
public:
    // programBlock is the running program's own block (null when it has none). The component
    // loads at once, as it does when its form has been read in.
    explicit TdfsVersionInfoResource(const VersionBlock* programBlock);

    // Empty: the running program. Another file has version data only when it is the running
    // program's executable, since blocks are compiled in rather than stored in files.
    const std::string& Filename() const { return filename_; }
    void SetFilename(std::string filename);
    void Reload();

    // The file the values come from (Filename, or the running program's path).
    const std::string& SourceFile() const { return sourceFile_; }

    std::string ValueByIndex(int index) const;  // "" outside 0..10
    std::string Value(TPreDef key) const { return ValueByIndex(key); }
    std::string ValueByKey(const std::string& key) const;

    const TVersionNumberInformation& FileVersion() const { return fileVersion_; }
    const TVersionNumberInformation& ProductVersion() const { return productVersion_; }
    const TFixedFileVersionInfo& FixedFileVersionInfo() const { return fixed_; }
    const std::vector<std::string>& Translations() const { return translations_; }
    int TranslationIndex() const { return translationIndex_; }
    void SetTranslationIndex(int index) { translationIndex_ = index; }

    ui::Label* VersionLabel() const { return versionLabel_; }
    ui::Label* CopyrightLabel() const { return copyrightLabel_; }
    ui::Label* ProductLabel() const { return productLabel_; }
    ui::Label* DescriptionLabel() const { return descriptionLabel_; }
    void SetVersionLabel(ui::Label* label);
    void SetCopyrightLabel(ui::Label* label);
    void SetProductLabel(ui::Label* label);
    void SetDescriptionLabel(ui::Label* label);

private:
    std::optional<VersionValue> Query(const std::string& path) const;
    void FillLabels();

    const VersionBlock* programBlock_;
    std::optional<VersionBlock> block_;
    std::vector<std::string> translations_;
    int translationIndex_ = 0;
    std::string filename_;
    std::string sourceFile_;
    TVersionNumberInformation fileVersion_;
    TVersionNumberInformation productVersion_;
    TFixedFileVersionInfo fixed_;
    ui::Label* versionLabel_ = nullptr;
    ui::Label* copyrightLabel_ = nullptr;
    ui::Label* productLabel_ = nullptr;
    ui::Label* descriptionLabel_ = nullptr;
};
