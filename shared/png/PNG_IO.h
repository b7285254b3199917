#pragma once
// One-call PNG file routines for the programs: a bitmap out to a PNG file, a PNG file into a
// bitmap. Failures pass on to the caller as exceptions; true means the work was done.
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Bitmap.h"
#include "PngImage.h"
#include "RowGate.h"
#include "Stream.h"

// Writes an 8-bit (grey or palette) or 24-bit bitmap at zlib level 4 with the row filters None,
// Sub and Paeth, with the four texts as tEXt chunks where they are not blank.
bool SaveBitmapToPng(const Bitmap& bitmap, const std::string& fileName, const std::string& author,
                     const std::string& description, const std::string& software,
                     const std::string& title, const TPngProgressEvent& onProgress = {});

// The same file as SaveBitmapToPng would write of the bitmap in 24 bits: RGB whatever the
// bitmap's format, an 8-bit bitmap's pixels becoming their palette colours a row at a time.
bool SaveBitmapToRgbPng(const Bitmap& bitmap, const std::string& fileName,
                        const std::string& author, const std::string& description,
                        const std::string& software, const std::string& title);

// A 1-bit grey PNG of a bitmap drawn in black and white: a pixel is white (1) when the mean of
// its red, green and blue is at least 128, else black (0). Rows are packed as the write reaches
// them, so a large line drawing costs a twenty-fourth of its RGB data to compress.
bool SaveBitmapToTwoLevelPng(const Bitmap& bitmap, const std::string& fileName,
                             const std::string& author, const std::string& description,
                             const std::string& software, const std::string& title);

// One file of SaveBitmapsToPng, with the texts SaveBitmapToPng takes.
struct PngFileJob {
    const Bitmap* bitmap = nullptr;
    std::string fileName;
    std::string author;
    std::string description;
    std::string software;
    std::string title;
    // For PngFilesAsRowsArrive: the write starts only once every row is final, leaving the
    // cores to the making and the other files until then.
    bool afterLastRow = false;
};

// The same files as SaveBitmapToPng for each job in turn, encoded at the same time on threads
// of their own. A file replaces its target only once every file before it did, so a failure
// leaves the files as the first one failing in turn would, and throws that failure.
void SaveBitmapsToPng(const std::vector<PngFileJob>& jobs);

// A file of PngFilesAsRowsArrive written whole but not yet in place, or what stopped it.
struct PendingPngFile {
    std::unique_ptr<ReplacingFileStream> file;
    std::exception_ptr failure;
};

// SaveBitmapsToPng for bitmaps still being made, top row first: each file is encoded on a thread
// of its own as RowsReady says rows of every bitmap are final, and Commit, once all are, puts
// the files in place as SaveBitmapsToPng does. Destroyed without Commit (the bitmaps were never
// finished), it abandons the writes and changes no file. The bitmaps must have their final
// size, format and palette from the start.
class PngFilesAsRowsArrive {
public:
    explicit PngFilesAsRowsArrive(std::vector<PngFileJob> jobs);
    ~PngFilesAsRowsArrive();
    PngFilesAsRowsArrive(const PngFilesAsRowsArrive&) = delete;
    PngFilesAsRowsArrive& operator=(const PngFilesAsRowsArrive&) = delete;

    // Rows 0..rows-1 of every bitmap are final.
    void RowsReady(int rows);
    // Every row is final: waits for the writes, then replaces the files in turn.
    void Commit();

private:
    std::vector<PngFileJob> jobs_;
    RowGate gate_;
    std::vector<PendingPngFile> pending_;
    std::vector<bool> deferred_;  // written by Commit, having had no thread
    // Last, so that the writers stop and are joined before the rest goes.
    std::vector<std::jthread> writers_;
};

// PngFilesAsRowsArrive for images too large to hold: every file is width x height, made a band
// of rows at a time from the top into one of two band bitmaps per file, which the writers have
// read before the band after next uses it again. A job's bitmap gives its format and palette.
//
//   PngFilesInBands files(jobs, width, height, 64);
//   while (files.StartBand()) { fill files.Band(i) with rows files.FirstRow()..;
//   files.FinishBand(); } files.Commit();
class PngFilesInBands {
public:
    PngFilesInBands(std::vector<PngFileJob> jobs, int width, int height, int bandRows);
    ~PngFilesInBands();
    PngFilesInBands(const PngFilesInBands&) = delete;
    PngFilesInBands& operator=(const PngFilesInBands&) = delete;

    // Moves on to the next band, once the writers are done with what its bitmaps held; false
    // when every row has been made.
    bool StartBand();
    int FirstRow() const { return firstRow_; }
    int Rows() const { return rows_; }
    // Row r of the band is row FirstRow() + r of the file of job i.
    Bitmap& Band(std::size_t job);
    // The band's rows are final.
    void FinishBand();
    // Every band is finished: waits for the writes, then replaces the files in turn.
    void Commit();

private:
    struct File;
    std::vector<PngFileJob> jobs_;
    int width_;
    int height_;
    int bandRows_;
    int firstRow_ = 0;
    int rows_ = 0;
    int bandIndex_ = -1;
    RowGate gate_;
    std::vector<std::unique_ptr<File>> files_;
    // Last, so that the writers stop and are joined before the rest goes.
    std::vector<std::jthread> writers_;
};

// Replaces the bitmap's contents with the image; with convertToRgb false, grey and palette
// images stay 8-bit (a palette image bringing its palette).
bool LoadPngToBitmap(Bitmap& bitmap, const std::string& fileName, bool convertToRgb);
// The same, telling rowsReady(n) whenever rows 0..n-1 of the bitmap hold their final pixels, so
// that work on them can start while later rows are decoded; the bitmap has its final size,
// format and palette from the first call on. Rows of a non-interlaced image arrive as they are
// decoded, those of an interlaced one all at the end. A failure leaves the bitmap part-filled.
bool LoadPngToBitmap(Bitmap& bitmap, const std::string& fileName, bool convertToRgb,
                     const std::function<void(int rows)>& rowsReady);
