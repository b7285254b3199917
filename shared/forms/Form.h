#pragma once
// A window: its control objects, menu bar and timers, and the event handlers a program
// overrides. Toolkit-neutral; a front end builds the real window from it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Interaction.h"

namespace ui {

class Form {
public:
    Form(Interaction& interaction, std::string name);
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    Interaction& Ui() { return ui_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

    // Designed outer size and placement; the client area is what the controls are placed in.
    int DesignLeft() const { return left_; }
    int DesignTop() const { return top_; }
    bool Centred() const { return centred_; }
    void SetDesign(int left, int top, int outerWidth, int outerHeight, bool centred = false);
    // Designed by its client area (a dialog, whose frame has no menu bar).
    void SetDesignClient(int left, int top, int clientWidth, int clientHeight,
                         bool centred = false);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    // Resizes the client area: anchored controls follow, then FormResize runs.
    void SetClientSize(int width, int height);

    template <class T, class... Args>
    T& Make(Args&&... args) {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *control;
        controls_.push_back(std::move(control));
        return ref;
    }
    Timer& MakeTimer(std::string name);
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    const std::vector<std::unique_ptr<Timer>>& Timers() const { return timers_; }
    Control* FindControl(const std::string& name) const;
    MenuItem& MainMenu() { return menu_; }
    MenuItem* FindMenuItem(const std::string& name) { return menu_.Find(name); }

    // Life cycle, driven by a front end or a test.
    void Create();  // FormCreate
    void Show();    // FormShow (first showing)
    // Each modal showing of a dialog: the form is open again and FormShow runs every time.
    void OpenModal();
    // Asks to close: the front end's close hook if one is attached, else CloseNow.
    void Close();
    // FormCloseQuery, then marks the form closed when it agreed. True when closed.
    bool CloseNow();
    bool IsClosed() const { return closed_; }
    // FormDestroy, once. Derived destructors call it so a form never outlives its settings.
    void Destroy();

    // The real window a front end shows for the form, which Close asks first. One at a time:
    // a second while the first is attached is a programming error (std::logic_error).
    [[nodiscard]] Subscription AttachWindow(std::function<void()> closeWindow);
    // Caption and size changes.
    [[nodiscard]] Subscription Subscribe(Observer observer) {
        return observers_.Subscribe(std::move(observer));
    }

    // A file dropped on the window (its full path); a window without it takes no drops.
    std::function<void(const std::string& path)> OnFileDropped;

protected:
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormResize() {}
    virtual bool FormCloseQuery() { return true; }
    virtual void FormDestroy() {}

private:
    void ApplyAnchors(int oldWidth, int oldHeight);

    Interaction& ui_;
    std::string name_;
    std::string caption_;
    int left_ = 0;
    int top_ = 0;
    bool centred_ = false;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<Timer>> timers_;
    MenuItem menu_{"MainMenu1", ""};
    ObserverList observers_;
    std::shared_ptr<std::function<void()>> closeWindow_ = std::make_shared<std::function<void()>>();
    bool created_ = false;
    bool shown_ = false;
    bool closed_ = false;
    bool destroyed_ = false;
};

// Outer window size minus the client area, as the designed sizes assume (frame, caption, menu).
constexpr int kFrameWidth = 8;
constexpr int kFrameHeightWithMenu = 46;
constexpr int kFrameHeightWithoutMenu = 27;

}  // namespace ui
