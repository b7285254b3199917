#include "Form.h"

#include <map>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace ui {

Form::Form(Interaction& interaction, std::string name) : ui_(interaction), name_(std::move(name)) {}

void Form::SetCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    observers_.NotifyChanged();
}

void Form::SetDesign(int left, int top, int outerWidth, int outerHeight, bool centred) {
    left_ = left;
    top_ = top;
    centred_ = centred;
    clientWidth_ = outerWidth - kFrameWidth;
    clientHeight_ = outerHeight - kFrameHeightWithMenu;
}

void Form::SetDesignClient(int left, int top, int clientWidth, int clientHeight, bool centred) {
    left_ = left;
    top_ = top;
    centred_ = centred;
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
}

void Form::SetClientSize(int width, int height) {
    if (width == clientWidth_ && height == clientHeight_) return;
    int oldWidth = clientWidth_;
    int oldHeight = clientHeight_;
    clientWidth_ = width;
    clientHeight_ = height;
    ApplyAnchors(oldWidth, oldHeight);
    observers_.NotifyChanged();
    if (created_ && !closed_) FormResize();
}

// Anchors hold a control's edges at their distance from its parent's edges: the form's client
// area for controls placed on the form, the container for the others, which follow their
// container's change of size. Controls aligned to their parent's client are left to the front
// end, which fills the parent's page area with them.
void Form::ApplyAnchors(int oldWidth, int oldHeight) {
    std::map<const Control*, std::pair<int, int>> resized;  // container -> (dx, dy)
    for (auto& control : controls_) {
        int dx = clientWidth_ - oldWidth;
        int dy = clientHeight_ - oldHeight;
        if (control->Parent()) {
            auto found = resized.find(control->Parent());
            if (found == resized.end()) continue;
            std::tie(dx, dy) = found->second;
        }
        if (control->align == Align::Client) continue;
        Bounds b = control->GetBounds();
        const Bounds old = b;
        unsigned a = control->Anchors();
        if ((a & AnchorLeft) && (a & AnchorRight))
            b.width += dx;
        else if (a & AnchorRight)
            b.left += dx;
        if ((a & AnchorTop) && (a & AnchorBottom))
            b.height += dy;
        else if (a & AnchorBottom)
            b.top += dy;
        control->SetBounds(b);
        // Controls are made after their parent, so a container is done before its children.
        if (b.width != old.width || b.height != old.height)
            resized[control.get()] = {b.width - old.width, b.height - old.height};
    }
}

Timer& Form::MakeTimer(std::string timerName) {
    timers_.push_back(std::make_unique<Timer>(std::move(timerName)));
    return *timers_.back();
}

Control* Form::FindControl(const std::string& controlName) const {
    for (auto& control : controls_)
        if (control->Name() == controlName) return control.get();
    return nullptr;
}

void Form::Create() {
    if (created_) return;
    created_ = true;
    FormCreate();
}

void Form::Show() {
    if (shown_ || closed_) return;
    shown_ = true;
    FormShow();
}

void Form::OpenModal() {
    closed_ = false;
    shown_ = true;
    FormShow();
}

Subscription Form::AttachWindow(std::function<void()> closeWindow) {
    if (*closeWindow_) throw std::logic_error("Form " + name_ + " already has a window");
    *closeWindow_ = std::move(closeWindow);
    std::weak_ptr<std::function<void()>> slot = closeWindow_;
    return Subscription([slot] {
        if (auto attached = slot.lock()) *attached = nullptr;
    });
}

void Form::Close() {
    if (*closeWindow_)
        (*closeWindow_)();
    else
        CloseNow();
}

bool Form::CloseNow() {
    if (closed_) return true;
    if (FormCloseQuery()) closed_ = true;
    return closed_;
}

void Form::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (created_) FormDestroy();
}

}  // namespace ui
