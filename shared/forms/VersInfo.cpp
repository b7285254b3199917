#include "VersInfo.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "ExecutablePath.h"

const char* const kPreDefKeys[kPreDefCount] = {
    "CompanyName",    "FileDescription", "FileVersion",      "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName",
    "ProductVersion", "Comments",        "BuildFlags",
};

namespace {

const char* const kDefaultTranslation = "040904E4";

bool IsRunningExecutable(const std::string& filename) {
    std::string running = ExecutablePath();
    if (running.empty()) return false;
    std::error_code error;
    return std::filesystem::equivalent(filename, running, error) && !error;
}

}  // namespace

std::string TVersionNumberInformation::DisplayText() const {
    if (!valid_) return {};
    if (!text_.empty()) return text_;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", Major(), Minor(), Release(), Build());
    return buffer;
}

void TVersionNumberInformation::Set(std::uint32_t mostSignificant, std::uint32_t leastSignificant,
                                    std::string text) {
    valid_ = true;
    mostSignificant_ = mostSignificant;
    leastSignificant_ = leastSignificant;
    text_ = std::move(text);
}

void TVersionNumberInformation::Invalidate() {
    valid_ = false;
    mostSignificant_ = 0;
    leastSignificant_ = 0;
    text_.clear();
}

TdfsVersionInfoResource::TdfsVersionInfoResource(const VersionBlock* programBlock)
    : programBlock_(programBlock) {
    Reload();
}

void TdfsVersionInfoResource::SetFilename(std::string filename) {
    if (filename == filename_) return;
    filename_ = std::move(filename);
    Reload();
}

void TdfsVersionInfoResource::Reload() {
    translations_.clear();
    fixed_.SetData(std::nullopt);
    block_.reset();

    sourceFile_ = filename_.empty() ? ExecutablePath() : filename_;
    const VersionBlock* found = nullptr;
    if (filename_.empty() || IsRunningExecutable(filename_)) found = programBlock_;

    if (!found) {
        fileVersion_.Invalidate();
        productVersion_.Invalidate();
        FillLabels();
        return;
    }
    block_ = *found;
    if (auto root = Query("\\"); root && root->size >= sizeof(::FixedFileInfo)) {
        ::FixedFileInfo fixed;
        std::memcpy(&fixed, root->data, sizeof fixed);
        fixed_.SetData(fixed);
    }
    if (auto list = Query("\\VarFileInfo\\Translation")) {
        const auto* bytes = static_cast<const std::uint8_t*>(list->data);
        for (std::size_t at = 0; at + 4 <= list->size; at += 4) {
            unsigned language = bytes[at] | (bytes[at + 1] << 8);
            unsigned codePage = bytes[at + 2] | (bytes[at + 3] << 8);
            if (language == 0) language = 0x0409;
            if (codePage == 0) codePage = 0x04E4;
            char entry[9];
            std::snprintf(entry, sizeof entry, "%.4X%.4X", language, codePage);
            translations_.push_back(entry);
        }
    }
    if (translationIndex_ < 0 || std::size_t(translationIndex_) >= translations_.size())
        translationIndex_ = 0;
    fileVersion_.Set(fixed_.FileVersionMS(), fixed_.FileVersionLS(), ValueByKey("FileVersion"));
    productVersion_.Set(fixed_.ProductVersionMS(), fixed_.ProductVersionLS(),
                        ValueByKey("ProductVersion"));
    FillLabels();
}

std::optional<VersionValue> TdfsVersionInfoResource::Query(const std::string& path) const {
    if (!block_) return std::nullopt;
    return block_->Query(path);
}

std::string TdfsVersionInfoResource::ValueByIndex(int index) const {
    if (index < 0 || index >= kPreDefCount) return {};
    return ValueByKey(kPreDefKeys[index]);
}

std::string TdfsVersionInfoResource::ValueByKey(const std::string& key) const {
    std::string translation =
        translationIndex_ >= 0 && std::size_t(translationIndex_) < translations_.size()
            ? translations_[std::size_t(translationIndex_)]
            : kDefaultTranslation;
    auto value = Query("\\StringFileInfo\\" + translation + "\\" + key);
    if (!value || value->size == 0) return {};
    // The text ends at its zero byte, or at the end of the value if it has none.
    const char* text = static_cast<const char*>(value->data);
    return std::string(text, strnlen(text, value->size));
}

void TdfsVersionInfoResource::FillLabels() {
    if (copyrightLabel_) copyrightLabel_->SetCaption(Value(pdLegalCopyright));
    if (productLabel_) productLabel_->SetCaption(Value(pdProductName));
    if (versionLabel_) versionLabel_->SetCaption(fileVersion_.DisplayText());
    if (descriptionLabel_) descriptionLabel_->SetCaption(Value(pdFileDescription));
}

void TdfsVersionInfoResource::SetVersionLabel(ui::Label* label) {
    versionLabel_ = label;
    if (label) label->SetCaption(fileVersion_.DisplayText());
}

void TdfsVersionInfoResource::SetCopyrightLabel(ui::Label* label) {
    copyrightLabel_ = label;
    if (label) label->SetCaption(Value(pdLegalCopyright));
}

void TdfsVersionInfoResource::SetProductLabel(ui::Label* label) {
    productLabel_ = label;
    if (label) label->SetCaption(Value(pdProductName));
}

void TdfsVersionInfoResource::SetDescriptionLabel(ui::Label* label) {
    descriptionLabel_ = label;
    if (label) label->SetCaption(Value(pdFileDescription));
}
