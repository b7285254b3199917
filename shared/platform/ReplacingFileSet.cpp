#include "ReplacingFileSet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <utility>

#include "Errors.h"
#include "ReadOnlyFile.h"

namespace {

namespace fs = std::filesystem;

constexpr char kMagic[] = "varnholt pending renames\n";
constexpr std::size_t kMagicLength = sizeof kMagic - 1;
// Far above 66 pairs of paths: anything longer is no journal of ours.
constexpr std::uint64_t kLargestJournal = 16 << 20;

struct PendingRename {
    std::string temporary;
    std::string target;
};

// Without a trailing separator, so that it compares equal to its files' parent paths.
fs::path FolderPath(const std::string& folder) {
    return folder.empty() ? fs::path(".") : (fs::path(folder) / "").parent_path();
}

// Relative to the folder, so that a run started elsewhere or naming the folder another way
// finds the same files.
std::string JournalName(const fs::path& folder, const std::string& path) {
    const fs::path file(path);
    if (file.parent_path().lexically_normal() == folder.lexically_normal())
        return file.filename().string();
    return fs::absolute(file).lexically_normal().string();
}

fs::path FromJournal(const fs::path& folder, const std::string& name) {
    const fs::path file(name);
    return file.is_absolute() ? file : folder / file;
}

std::vector<PendingRename> ReadJournal(const std::string& path, const ReadOnlyFile& file) {
    auto invalid = [&] {
        return EInOutError(
            FileErrorText("Cannot read file", path, "not a list of pending renames"));
    };
    if (file.Size() < kMagicLength || file.Size() > kLargestJournal) throw invalid();
    std::string text(file.Size(), '\0');
    if (!file.ReadExactAt(0, text.data(), text.size()))
        throw EInOutError(FileErrorText("Cannot read file", path, "it changed while read"));
    if (text.compare(0, kMagicLength, kMagic) != 0 || text.back() != '\0') throw invalid();
    std::vector<std::string> names;
    for (std::size_t at = kMagicLength; at < text.size();) {
        const std::size_t end = text.find('\0', at);
        if (end == at) throw invalid();
        names.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (names.size() % 2 != 0) throw invalid();
    std::vector<PendingRename> renames;
    for (std::size_t i = 0; i < names.size(); i += 2)
        renames.push_back({std::move(names[i]), std::move(names[i + 1])});
    return renames;
}

// Renames reach the disk only with their folder's entry; best effort where a folder cannot be
// opened or synced, as for a file system that does not sync.
void SyncFolder(const fs::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

bool Exists(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace

std::string ReplacingFileSet::JournalPath(const std::string& folder) {
    return (FolderPath(folder) / ".pending-renames").string();
}

bool ReplacementPending(const std::string& folder) {
    const std::string journal = ReplacingFileSet::JournalPath(folder);
    if (!Exists(journal)) return false;
    try {
        for (const PendingRename& rename : ReadJournal(journal, ReadOnlyFile(journal))) {
            if (Exists(FromJournal(FolderPath(folder), rename.temporary))) return true;
        }
        return false;
    } catch (const EInOutError&) {
        return Exists(journal);  // gone meanwhile: finished by its writer
    }
}

void FinishPendingReplacement(const std::string& folder) {
    const std::string journal = ReplacingFileSet::JournalPath(folder);
    if (!Exists(journal)) return;
    const fs::path base = FolderPath(folder);
    std::set<fs::path> folders{base};
    for (const PendingRename& rename : ReadJournal(journal, ReadOnlyFile(journal))) {
        const fs::path temporary = FromJournal(base, rename.temporary);
        const fs::path target = FromJournal(base, rename.target);
        if (!Exists(temporary)) continue;
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            throw EInOutError(
                FileErrorText("Cannot write file", target.string(), SystemReason(errno)));
        folders.insert(target.parent_path().empty() ? fs::path(".") : target.parent_path());
    }
    for (const fs::path& changed : folders) SyncFolder(changed);
    RemoveFileIfPresent(journal);
}

ReplacingFileSet::ReplacingFileSet(std::string folder) : folder_(std::move(folder)) {
    FinishPendingReplacement(folder_);
}

ReplacingFile& ReplacingFileSet::Add(const std::string& name, std::size_t bufferBytes) {
    files_.push_back(
        std::make_unique<ReplacingFile>((FolderPath(folder_) / name).string(), bufferBytes));
    return *files_.back();
}

void ReplacingFileSet::Commit() {
    for (auto& file : files_) file->Seal();
    const fs::path base = FolderPath(folder_);
    std::string text = kMagic;
    for (auto& file : files_) {
        if (file->TemporaryPath().empty()) continue;
        for (const std::string* name : {&file->TemporaryPath(), &file->TargetPath()}) {
            text += JournalName(base, *name);
            text += '\0';
        }
    }
    const std::string journalPath = JournalPath(folder_);
    ReplacingFile journal(journalPath, text.size());
    journal.Write(text);
    journal.Commit();
    // The journal reaches the disk before any rename it lists.
    SyncFolder(base);
    for (auto& file : files_) file->ReleaseTemporary();
    files_.clear();
    FinishPendingReplacement(folder_);
}
