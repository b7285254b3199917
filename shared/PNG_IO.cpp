#include "PNG_IO.h"

bool SaveBitmapToPng(const Bitmap& bitmap, const std::string& fileName, const std::string& author,
                     const std::string& description, const std::string& software,
                     const std::string& title, const TPngProgressEvent& onProgress) {
    TPngImageRef image = TPngImage::Create();
    image->CopyFromBitmap(bitmap);
    image->CompressionLevel = 4;
    image->FilterFlags = 0x98;  // None, Sub, Paeth
    image->Author = author;
    image->Description = description;
    image->Software = software;
    image->Title = title;
    image->OnProgress = onProgress;
    image->SaveToFile(fileName);
    return true;
}

bool LoadPngToBitmap(Bitmap& bitmap, const std::string& fileName, bool convertToRgb) {
    TPngImageRef image = TPngImage::Create();
    image->ConvertToRGB = convertToRgb;
    image->LoadFromFile(fileName);
    bitmap.SetHeight(0);
    bitmap.SetWidth(0);
    image->CopyToBitmap(bitmap, 0, 0);
    return true;
}
