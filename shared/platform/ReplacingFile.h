#pragma once
// The platform's one way to write a file: into a temporary beside the target, flushed to the
// disk and renamed over the target on Commit, so the target is either left as it was or
// replaced whole. Destroyed without Commit, or after any failure, it removes the temporary.
// Writing through a symbolic link replaces the file it points at and keeps the link. Temporaries
// of the same target left by an earlier run that was killed are removed first.
//
// Errors name the target and the system's reason: EFOpenError "Cannot create file: ..." when
// the temporary cannot be made, EInOutError "Cannot write file: ..." for a refused write, flush
// or rename (a full disk, a file-size limit).
//
// Durability::Scratch is for throw-away inputs of tests and fuzzing, which nothing needs whole
// after a crash: the target itself is rewritten, never synced, and a failure may leave it cut.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class Durability { Synced, Scratch };

class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& path, std::size_t bufferBytes = 1 << 18,
                           Durability durability = Durability::Synced);
    ReplacingFile(const std::string& path, Durability durability)
        : ReplacingFile(path, 1 << 18, durability) {}
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void Write(const void* data, std::size_t count);
    void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
    // Continues the file with zeros up to length bytes, as a hole where the file system allows:
    // for large grids that are mostly empty. Nothing happens when it is that long already.
    void ExtendTo(std::uint64_t length);
    // Overwrites count bytes at offset within what is written already (ExtendTo makes room):
    // for formats whose parts are made in another order than they are stored. When data lies
    // as far into a block of memory as offset into a file block, the whole blocks of a synced
    // file go to the disk directly, past the file system's cache.
    void WriteAt(std::uint64_t offset, const void* data, std::size_t count);
    static constexpr std::size_t kBlockBytes = 4096;
    void Commit();
    // Everything written put on the disk under the temporary, which is closed: the first half of
    // Commit, for a set of files renamed together (ReplacingFileSet). Writing ends here.
    void Seal();
    // After Seal: the temporary is the caller's from now on, and is no longer removed when this
    // is destroyed. Empty for a scratch file, which has none.
    std::string ReleaseTemporary();

    const std::string& Path() const { return path_; }
    // What Commit replaces: Path, or the file a symbolic link there points at.
    const std::string& TargetPath() const { return target_; }
    const std::string& TemporaryPath() const { return temporary_; }
    std::uint64_t BytesWritten() const { return written_; }

private:
    void OpenTemporary(const std::string& target);
    void Flush();
    void StartWriteback();
    // Every byte out, at the file's end or, given, at that offset; or the reason they could not go.
    void PutAll(const char* bytes, std::size_t count, std::optional<std::uint64_t> offset);
    // False where nothing went: no whole block in the piece, or no direct writes here.
    bool PutDirect(const char* bytes, std::size_t count, std::uint64_t offset);
    bool OpenDirect();
    void CloseDirect() noexcept;
    [[noreturn]] void Fail(int error);
    void Discard() noexcept;

    std::string path_;       // as given, for messages
    std::string target_;     // what the rename replaces
    std::string temporary_;  // empty for a scratch file
    Durability durability_;
    int descriptor_ = -1;
    int directDescriptor_ = -1;  // the temporary again, for writes past the cache
    bool directRefused_ = false;
    std::size_t bufferSize_;
    // Not cleared first: every byte is written before it is flushed.
    std::unique_ptr<char[]> buffer_;
    std::size_t buffered_ = 0;
    std::uint64_t written_ = 0;           // given to Write, buffered or not
    std::uint64_t flushed_ = 0;           // handed to the system
    std::uint64_t writebackStarted_ = 0;  // asked of the disk so far
    bool sealed_ = false;
    bool committed_ = false;
};

// Removes a file the programs wrote earlier, when there is one (a symbolic link itself, not what
// it points at). Throws EInOutError "Cannot delete file: ..." when the system refuses.
void RemoveFileIfPresent(const std::string& path);
