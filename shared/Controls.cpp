#include "Controls.h"

#include <algorithm>

namespace ui {

Control::Control(ControlKind kind, std::string name, Control* parent)
    : kind_(kind), name_(std::move(name)), parent_(parent) {}

void Control::Changed() {
    if (observer.changed) observer.changed();
}

void Control::Repaint() {
    if (observer.repaintNow) observer.repaintNow();
}

void Control::SetCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    Changed();
}

void Control::SetHint(std::string hint) {
    if (hint == hint_) return;
    hint_ = std::move(hint);
    Changed();
}

void Control::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Changed();
}

void Control::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

void Control::SetBounds(Bounds bounds) {
    if (bounds == bounds_) return;
    bounds_ = bounds;
    Changed();
}

void ProgressBar::SetMin(int min) {
    min_ = min;
    position_ = std::max(position_, min_);
    Changed();
}

void ProgressBar::SetMax(int max) {
    max_ = max;
    position_ = std::min(position_, max_);
    Changed();
}

void ProgressBar::SetPosition(int position) {
    position = std::clamp(position, min_, std::max(min_, max_));
    if (position == position_) return;
    position_ = position;
    Changed();
}

void Image::SetStretch(bool stretch) {
    if (stretch == stretch_) return;
    stretch_ = stretch;
    Changed();
}

Bitmap& Image::OwnPicture() {
    if (!picture_) picture_ = std::make_shared<Bitmap>();
    return *picture_;
}

void Image::Show(std::shared_ptr<Bitmap> bitmap) {
    picture_ = std::move(bitmap);
    Changed();
}

void Image::ShowCopyOf(const Bitmap& bitmap) {
    picture_ = std::make_shared<Bitmap>(bitmap);
    picture_->MarkModified();
    Changed();
}

void Image::ClearPicture() {
    picture_.reset();
    Changed();
}

void Image::PictureChanged() {
    if (picture_) picture_->MarkModified();
    Changed();
}

void Image::SetMouseCapture(bool captured) {
    if (captured == captured_) return;
    captured_ = captured;
    Changed();
}

void TabControl::SetTabIndex(int index) {
    if (index == tabIndex_) return;
    tabIndex_ = index;
    Changed();
}

void TabControl::UserSelect(int index) {
    SetTabIndex(index);
    if (OnChange) OnChange();
}

void RadioGroup::SetItemIndex(int index) {
    if (index == itemIndex_) return;
    itemIndex_ = index;
    Changed();
    if (OnClick) OnClick();
}

void ScrollBox::SetScrollBarsVisible(bool horizontal, bool vertical) {
    horizontal_ = horizontal;
    vertical_ = vertical;
    Changed();
}

MenuItem& MenuItem::Add(std::string itemName, std::string itemCaption,
                        std::function<void()> onClick) {
    auto item = std::make_unique<MenuItem>(std::move(itemName), std::move(itemCaption));
    item->OnClick = std::move(onClick);
    item->parent = this;
    items.push_back(std::move(item));
    return *items.back();
}

MenuItem* MenuItem::Find(const std::string& itemName) {
    if (name == itemName) return this;
    for (auto& item : items)
        if (MenuItem* found = item->Find(itemName)) return found;
    return nullptr;
}

void MenuItem::SetChecked(bool checked) {
    if (checked && radioItem && parent) {
        for (auto& sibling : parent->items)
            if (sibling.get() != this && sibling->radioItem && sibling->groupIndex == groupIndex &&
                sibling->checked_) {
                sibling->checked_ = false;
                if (sibling->observer.changed) sibling->observer.changed();
            }
    }
    if (checked == checked_) return;
    checked_ = checked;
    if (observer.changed) observer.changed();
}

void Timer::SetInterval(int milliseconds) {
    if (milliseconds == interval_) return;  // the same interval does not restart the count
    interval_ = milliseconds;
    if (observer.changed) observer.changed();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (observer.changed) observer.changed();
}

}  // namespace ui
