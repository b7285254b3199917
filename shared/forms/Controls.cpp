#include "Controls.h"

#include <algorithm>

namespace ui {

Control::Control(ControlKind kind, std::string name, Control* parent)
    : kind_(kind), name_(std::move(name)), parent_(parent) {}

void Control::Changed() { observers_.NotifyChanged(); }

void Control::Repaint() { observers_.NotifyRepaint(); }

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

void TabControl::SetTabs(std::vector<std::string> tabs) {
    if (tabs == tabs_) return;
    tabs_ = std::move(tabs);
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

void RadioGroup::SetItems(std::vector<std::string> items) {
    if (items == items_) return;
    items_ = std::move(items);
    Changed();
}

void RadioGroup::SetColumns(int columns) {
    if (columns == columns_) return;
    columns_ = columns;
    Changed();
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
    item->parent_ = this;
    items_.push_back(std::move(item));
    return *items_.back();
}

MenuItem* MenuItem::Find(const std::string& itemName) {
    if (name_ == itemName) return this;
    for (auto& item : items_)
        if (MenuItem* found = item->Find(itemName)) return found;
    return nullptr;
}

void MenuItem::SetCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    Changed();
}

void MenuItem::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

void MenuItem::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Changed();
}

void MenuItem::SetRadioItem(bool radioItem, int groupIndex) {
    if (radioItem == radioItem_ && groupIndex == groupIndex_) return;
    radioItem_ = radioItem;
    groupIndex_ = groupIndex;
    Changed();
}

void MenuItem::SetChecked(bool checked) {
    if (checked && radioItem_ && parent_) {
        for (auto& sibling : parent_->items_)
            if (sibling.get() != this && sibling->radioItem_ &&
                sibling->groupIndex_ == groupIndex_ && sibling->checked_) {
                sibling->checked_ = false;
                sibling->Changed();
            }
    }
    if (checked == checked_) return;
    checked_ = checked;
    Changed();
}

void Timer::SetInterval(int milliseconds) {
    if (milliseconds == interval_) return;  // the same interval does not restart the count
    interval_ = milliseconds;
    observers_.NotifyChanged();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    observers_.NotifyChanged();
}

}  // namespace ui
