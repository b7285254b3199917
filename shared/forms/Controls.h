#pragma once
// Toolkit-neutral control objects. A form owns them and sets their state; a front end (a Qt
// window, the batch runner, or a test) binds to them through the Observer hooks and feeds
// events in through the handlers. Nothing here knows which front end is attached.
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Geometry.h"
#include "Observers.h"

namespace ui {

enum Anchor : unsigned { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };
constexpr unsigned AnchorsTopLeft = AnchorLeft | AnchorTop;
constexpr unsigned AnchorsAll = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom;

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

enum class ControlKind {
    Button,
    Label,
    ProgressBar,
    Image,
    TabControl,
    RadioGroup,
    ScrollBox,
    Panel
};

// Bounds are in the parent's coordinates (the form's client area for controls on the form;
// for a tab control, its top-left corner above the tabs, as on a panel) and anchors keep
// distances to the parent's edges as it resizes. Align::Client: the front end keeps the control
// filling its parent's page area (below a tab control's tabs, a scroll box's viewport, a
// panel) or the form's client area, and writes the bounds back; without a display they stay as
// the form set them.
enum class Align { None, Client };

class Control {
public:
    Control(ControlKind kind, std::string name, Control* parent = nullptr);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind Kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    Control* Parent() const { return parent_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    const Bounds& GetBounds() const { return bounds_; }
    void SetBounds(Bounds bounds);
    unsigned Anchors() const { return anchors_; }
    void SetAnchors(unsigned anchors) { anchors_ = anchors; }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }

    // Paint at once (a long handler updating its progress display).
    void Repaint();

    [[nodiscard]] Subscription Subscribe(Observer observer) {
        return observers_.Subscribe(std::move(observer));
    }
    // A front end shows the control (batch mode shows none): what only the eye needs can wait.
    bool Watched() const { return !observers_.Empty(); }
    Align align = Align::None;

protected:
    void Changed();

private:
    ControlKind kind_;
    std::string name_;
    Control* parent_;
    std::string caption_;
    std::string hint_;
    bool visible_ = true;
    bool enabled_ = true;
    Bounds bounds_;
    unsigned anchors_ = AnchorsTopLeft;
    int tabOrder_ = -1;
    ObserverList observers_;
};

class Button : public Control {
public:
    explicit Button(std::string name, Control* parent = nullptr)
        : Control(ControlKind::Button, std::move(name), parent) {}
    std::function<void()> OnClick;
    // A character typed while the button has the keyboard focus (27 for Escape).
    std::function<void(char& key)> OnKeyPress;
    bool isDefault = false;  // Enter presses it
    bool isCancel = false;   // Escape presses it
};

struct LabelStyle {
    bool bold = false;
    bool underline = false;
    bool wordWrap = false;
    bool alignRight = false;
    bool handCursor = false;
    // The label takes the size of its text (its height only when word-wrapped); a right-aligned
    // label keeps its right edge.
    bool autoSize = true;
    std::optional<Colour> colour;
};

class Label : public Control {
public:
    explicit Label(std::string name, Control* parent = nullptr)
        : Control(ControlKind::Label, std::move(name), parent) {}
    LabelStyle style;
    std::function<void()> OnClick;
};

enum class Bevel { None, Lowered, Raised };

class Panel : public Control {
public:
    explicit Panel(std::string name, Control* parent = nullptr)
        : Control(ControlKind::Panel, std::move(name), parent) {}
    Bevel bevelOuter = Bevel::Raised;
    Bevel bevelInner = Bevel::None;
};

class ProgressBar : public Control {
public:
    explicit ProgressBar(std::string name, Control* parent = nullptr)
        : Control(ControlKind::ProgressBar, std::move(name), parent) {}
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMin(int min);
    void SetMax(int max);
    void SetPosition(int position);  // kept within Min..Max
    void StepBy(int delta) { SetPosition(position_ + delta); }
    bool smooth = true;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

enum class MouseButton { Left, Right, Middle };

// Where a picture drawn north up lies on the earth, in degrees: the centre of pixel (column, row)
// is at longitude centreLon + column * lonPerColumn and latitude centreLat + row * latPerRow
// (latPerRow negative), as a world file has it.
struct PictureDegrees {
    double centreLon = 0;
    double centreLat = 0;
    double lonPerColumn = 1;
    double latPerRow = -1;
    friend bool operator==(const PictureDegrees&, const PictureDegrees&) = default;
};

// Shows a bitmap, stretched to the control or one pixel per pixel. The picture is either the
// control's own bitmap (drawn into by the form, shown as it is at the next repaint) or a copy
// of a bitmap handed to it (ShowCopyOf), as a toolkit image control keeps its own copy.
class Image : public Control {
public:
    explicit Image(std::string name, Control* parent = nullptr)
        : Control(ControlKind::Image, std::move(name), parent) {}

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

    // The bitmap shown, or null when the picture is empty.
    Bitmap* Picture() { return picture_.get(); }
    const Bitmap* Picture() const { return picture_.get(); }
    // Makes (or returns) the control's own bitmap, which drawing code may change freely.
    Bitmap& OwnPicture();
    // Shows the given bitmap itself (shared, not copied).
    void Show(std::shared_ptr<Bitmap> bitmap);
    // Shows a copy taken now; later drawing into the original is not seen.
    void ShowCopyOf(const Bitmap& bitmap);
    void ClearPicture();
    // Marks the picture modified and tells the front end.
    void PictureChanged();

    // Positions are in the control's own pixels (the picture's pixels when it is not stretched).
    // While the mouse is captured, moves and the release arrive here even outside the control,
    // so positions may be negative or beyond its size.
    std::function<void(MouseButton, int x, int y)> OnMouseDown;
    std::function<void(int x, int y)> OnMouseMove;
    std::function<void(MouseButton, int x, int y)> OnMouseUp;
    bool MouseCaptured() const { return captured_; }
    void SetMouseCapture(bool captured);

    // The picture is thin dark lines on a light ground (a map's outlines): shown smaller, it
    // keeps the darkest pixel of each area, where averaging would fade the lines away.
    bool lineDrawing = false;

    // The user may zoom and pan the picture (fit, wheel, drag, keys); Stretch then chooses
    // whether it shows fitted to the control, keeping its shape, or one picture pixel to a
    // screen pixel. Positions handed to the mouse handlers stay picture pixels.
    bool navigable = false;
    // For the coordinates under the pointer; none when the picture's place is unknown.
    std::optional<PictureDegrees> degrees;
    // The picture stands for an image this many times larger each way (a large image shown
    // reduced): degrees and DescribePixel are of the pixel of the full image under the pointer.
    int reduction = 1;
    // What a picture pixel holds, in words ("312 m"), or empty.
    std::function<std::string(int column, int row)> DescribePixel;
    // A scale bar in kilometres at the pointer's latitude, over the picture.
    bool scaleBar = false;
    // The form draws the picture at the screen's device pixels, pixelRatio of them to a control
    // pixel (set by the front end), so a 2x screen shows full detail; mouse and wheel positions
    // then arrive in device pixels. OnPixelRatioChange runs when the front end changes it.
    bool devicePixels = false;
    double pixelRatio = 1;
    std::function<void()> OnPixelRatioChange;
    // A length in control pixels as the picture's pixels.
    int DevicePixels(int controlPixels) const {
        return devicePixels ? int(std::lround(controlPixels * pixelRatio)) : controlPixels;
    }
    // A wheel turned over a picture that is not navigable: notches away from the user count
    // positive; (x, y) in the control's pixels.
    std::function<void(int x, int y, int notches)> OnMouseWheel;

private:
    bool stretch_ = false;
    bool captured_ = false;
    std::shared_ptr<Bitmap> picture_;
};

class TabControl : public Control {
public:
    explicit TabControl(std::string name, Control* parent = nullptr)
        : Control(ControlKind::TabControl, std::move(name), parent) {}
    const std::vector<std::string>& Tabs() const { return tabs_; }
    void SetTabs(std::vector<std::string> tabs);
    int TabIndex() const { return tabIndex_; }
    // Selecting by code does not raise OnChange (as a toolkit tab control behaves); a user's
    // click goes through UserSelect, which does.
    void SetTabIndex(int index);
    void UserSelect(int index);
    std::function<void()> OnChange;

private:
    std::vector<std::string> tabs_;
    int tabIndex_ = 0;
};

class RadioGroup : public Control {
public:
    explicit RadioGroup(std::string name, Control* parent = nullptr)
        : Control(ControlKind::RadioGroup, std::move(name), parent) {}
    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    int ItemIndex() const { return itemIndex_; }
    // Setting the index, by code or by the user, raises OnClick when it changes.
    void SetItemIndex(int index);
    std::function<void()> OnClick;

private:
    std::vector<std::string> items_;
    int columns_ = 1;
    int itemIndex_ = -1;
};

class ScrollBox : public Control {
public:
    explicit ScrollBox(std::string name, Control* parent = nullptr)
        : Control(ControlKind::ScrollBox, std::move(name), parent) {}
    bool HorizontalBarVisible() const { return horizontal_; }
    bool VerticalBarVisible() const { return vertical_; }
    void SetScrollBarsVisible(bool horizontal, bool vertical);

private:
    bool horizontal_ = true;
    bool vertical_ = true;
};

class MenuItem {
public:
    MenuItem(std::string name, std::string caption)
        : name_(std::move(name)), caption_(std::move(caption)) {}
    MenuItem& Add(std::string name, std::string caption, std::function<void()> onClick = {});
    MenuItem& AddSeparator(std::string name = "N1") { return Add(std::move(name), "-"); }
    bool IsSeparator() const { return caption_ == "-"; }
    MenuItem* Find(const std::string& itemName);

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool RadioItem() const { return radioItem_; }
    int GroupIndex() const { return groupIndex_; }
    // Makes it a radio item of the given group among its siblings.
    void SetRadioItem(bool radioItem, int groupIndex = 0);
    bool Checked() const { return checked_; }
    // Checking a radio item clears the other radio items of its group among its siblings.
    void SetChecked(bool checked);
    void Click() {
        if (OnClick) OnClick();
    }

    const std::vector<std::unique_ptr<MenuItem>>& Items() const { return items_; }
    MenuItem* Parent() const { return parent_; }
    [[nodiscard]] Subscription Subscribe(Observer observer) {
        return observers_.Subscribe(std::move(observer));
    }

    std::function<void()> OnClick;
    // A key that chooses the item from anywhere in the window, in the portable form "Ctrl+O".
    std::string shortcut;

private:
    void Changed() { observers_.NotifyChanged(); }

    std::string name_;
    std::string caption_;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    std::vector<std::unique_ptr<MenuItem>> items_;
    MenuItem* parent_ = nullptr;
    ObserverList observers_;
};

class Timer {
public:
    explicit Timer(std::string name) : name(std::move(name)) {}
    std::string name;
    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    void Fire() {
        if (OnTimer) OnTimer();
    }
    std::function<void()> OnTimer;
    [[nodiscard]] Subscription Subscribe(Observer observer) {
        return observers_.Subscribe(std::move(observer));
    }

private:
    int interval_ = 1000;
    bool enabled_ = true;
    ObserverList observers_;
};

enum OpenOption : unsigned {
    HideReadOnly = 1,
    PathMustExist = 2,
    FileMustExist = 4,
    EnableSizing = 8,
};

// Properties of a file-open dialog; the interaction shows it (ui::Interaction::ExecuteOpen).
struct OpenDialog {
    std::string name;
    std::string title;
    std::string filter;  // "Description|pattern|Description|pattern"
    std::string initialDir;
    std::string fileName;
    std::string defaultExt;
    unsigned options = HideReadOnly | EnableSizing;
    // The program finds the files asked for here in any capitals (downloads name them W180N90.DEM),
    // so the dialog takes a name in any capitals too (OpenDialogNames.h).
    bool namesIgnoreCase = false;
};

// One item picked from a list, with OK and Cancel.
struct ChoiceDialog {
    std::string title;
    std::string prompt;
    std::vector<std::string> items;
    int itemIndex = 0;  // picked when the dialog opens
};

enum class Cursor { Default, HourGlass, Hand };

}  // namespace ui
