#pragma once
// A picture that display code can load, save and draw without knowing its file format, and the
// registry of formats by file extension. A format unit registers its picture class when it is
// linked into a program, so a program can show exactly the formats it carries.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Geometry.h"
#include "Stream.h"

class Graphic {
public:
    Graphic() = default;
    virtual ~Graphic() = default;
    Graphic(const Graphic&) = delete;
    Graphic& operator=(const Graphic&) = delete;

    virtual const char* ClassName() const = 0;
    // Pictures of another class cannot be taken over: EConvertError "Cannot assign a X to a Y".
    virtual void Assign(const Graphic& source);
    virtual void Draw(Canvas& canvas, const Rect& rect) = 0;
    virtual bool GetEmpty() const = 0;
    virtual int GetHeight() const = 0;
    virtual int GetWidth() const = 0;
    virtual void SetHeight(int height) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& fileName);
    virtual void LoadFromStream(Stream& stream) = 0;
    virtual void SaveToStream(Stream& stream) = 0;
    virtual void LoadFromClipboardFormat() = 0;
    virtual void SaveToClipboardFormat() = 0;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }

    std::function<void(Graphic& sender)> OnChange;

protected:
    void Changed() {
        if (OnChange) OnChange(*this);
    }

private:
    bool transparent_ = false;
};

struct PictureFormat {
    std::string extension;  // without the dot, upper case
    std::string description;
    std::function<std::unique_ptr<Graphic>()> create;
};

namespace PictureFormats {
// A later registration of the same extension replaces the earlier one.
void Register(const std::string& extension, const std::string& description,
              std::function<std::unique_ptr<Graphic>()> create);
void Unregister(const std::string& extension);
// Extensions compare without regard to case, with or without the leading dot.
const PictureFormat* Find(const std::string& extension);
std::vector<PictureFormat> List();
// A new picture of the class registered for the file's extension, loaded from the file;
// EInvalidGraphicOperation "Unknown picture file extension (.xyz)" when none is.
std::unique_ptr<Graphic> Load(const std::string& fileName);
}  // namespace PictureFormats
