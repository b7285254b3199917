#pragma once
// Files of one folder that replace the earlier ones together, such as the 33 tiles of an
// elevation grid, which must never mix two runs. rename() replaces one file at a time, so Commit
// first puts every temporary on the disk, then lists the renames in a journal
// ("<folder>/.pending-renames", itself replaced whole and synced) and only then renames. A run
// killed between two renames leaves the journal: the next set made on the folder finishes the
// renames before it writes anything, and readers refuse the folder while ReplacementPending.
//
// The journal holds the magic line "varnholt pending renames" and then, NUL-terminated, pairs of
// a temporary and its target: names inside the folder, other paths absolute. A pair whose
// temporary is gone is renamed already.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ReplacingFile.h"

class ReplacingFileSet {
public:
    // Finishes a replacement that a killed run left pending in the folder. Throws EInOutError
    // naming the journal or the file that could not be renamed; the journal then stays.
    explicit ReplacingFileSet(std::string folder);
    ReplacingFileSet(const ReplacingFileSet&) = delete;
    ReplacingFileSet& operator=(const ReplacingFileSet&) = delete;

    // A new file of the set, named within the folder; it may be written (and sealed) on any
    // thread, one thread a file.
    ReplacingFile& Add(const std::string& name, std::size_t bufferBytes = 1 << 18);
    // Replaces every file of the set. A failure before the journal is in place leaves the
    // folder as it was; one after it leaves the journal for the next run to finish.
    void Commit();

    static std::string JournalPath(const std::string& folder);

private:
    std::string folder_;
    std::vector<std::unique_ptr<ReplacingFile>> files_;
};

// Whether a replacement stopped halfway in the folder: a journal listing a temporary that is
// still there, or one that cannot be read.
bool ReplacementPending(const std::string& folder);
// Finishes the replacement a journal in the folder lists, if there is one.
void FinishPendingReplacement(const std::string& folder);
