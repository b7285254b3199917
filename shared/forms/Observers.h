#pragma once
// How front ends follow a form's objects. Any number may watch the same object (the window and
// a terminal progress line, say); each holds a Subscription, and the watching ends when it is
// dropped, whichever of the two goes first.
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ui {

// What a front end attaches: told when the state changed, and asked to paint now.
struct Observer {
    std::function<void()> changed;     // state changed; repaint when convenient
    std::function<void()> repaintNow;  // paint synchronously (long work inside a handler)
};

class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            Cancel();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    ~Subscription() { Cancel(); }
    void Cancel() {
        if (auto cancel = std::exchange(cancel_, {})) cancel();
    }

private:
    std::function<void()> cancel_;
};

class ObserverList {
public:
    ObserverList() = default;
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    [[nodiscard]] Subscription Subscribe(Observer observer) {
        int id = nextId_++;
        entries_->push_back({id, std::move(observer)});
        std::weak_ptr<std::vector<Entry>> entries = entries_;
        return Subscription([entries, id] {
            if (auto list = entries.lock())
                std::erase_if(*list, [id](const Entry& entry) { return entry.id == id; });
        });
    }
    void NotifyChanged() const { Notify(&Observer::changed); }
    void NotifyRepaint() const { Notify(&Observer::repaintNow); }
    bool Empty() const { return entries_->empty(); }

private:
    struct Entry {
        int id;
        Observer observer;
    };

    // By id, so an observer may subscribe or cancel (itself or another) while being told.
    void Notify(std::function<void()> Observer::*hook) const {
        if (entries_->empty()) return;
        std::vector<int> ids;
        for (const Entry& entry : *entries_) ids.push_back(entry.id);
        for (int id : ids) {
            for (const Entry& entry : *entries_) {
                if (entry.id != id) continue;
                if (auto call = entry.observer.*hook) call();
                break;
            }
        }
    }

    std::shared_ptr<std::vector<Entry>> entries_ = std::make_shared<std::vector<Entry>>();
    int nextId_ = 0;
};

}  // namespace ui
