#pragma once
// Writing the combined image, in the format its file name's extension chooses: ".bmp" an
// uncompressed 24-bit BMP, ".png" a 24-bit RGB PNG (about a quarter of the size), in either
// letter case. Whole, for images held in memory, or a band of rows at a time, for those too
// large to hold.
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "Bitmap.h"
#include "BmpFile.h"
#include "PNG_IO.h"
#include "RowGate.h"

// Throws VarnholtError naming the file for any other extension, before anything is written.
void SaveCombinedImage(const Bitmap& combined, const std::string& fileName);

// The file of a width x height combined image made from the top a band at a time:
//
//   CombinedImageBands file(name, width, height);
//   while (file.StartBand()) { fill file.Band() rows 0..Rows()-1; file.FinishBand(); }
//   file.Commit();
class CombinedImageBands {
public:
    CombinedImageBands(const std::string& fileName, int width, int height);
    ~CombinedImageBands();
    CombinedImageBands(const CombinedImageBands&) = delete;
    CombinedImageBands& operator=(const CombinedImageBands&) = delete;

    bool StartBand();
    int FirstRow() const;
    int Rows() const;
    // Row r is row FirstRow() + r of the image: 24-bit, as wide as the image.
    Bitmap& Band();
    void FinishBand();
    void Commit();

private:
    // The BMP's bands go to the file on a thread of their own, so that the next band is made
    // while the disk takes the last.
    void WriteBmpBands() noexcept;
    void WriteBmpBand(int index);
    int BandCount() const;

    int height_;
    std::unique_ptr<PngFilesInBands> png_;
    std::unique_ptr<BmpBandWriter> bmp_;
    Bitmap bands_[2];  // the BMP's, filled and written in turn
    int bandIndex_ = -1;
    int firstRow_ = 0;
    int rows_ = 0;
    RowGate filled_;   // counts bands, not rows
    RowGate written_;  // the same
    std::exception_ptr writeFailure_;
    // Last, so that it stops and is joined before the rest goes.
    std::jthread writer_;
};
