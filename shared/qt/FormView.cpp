#include "FormView.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <algorithm>
#include <memory>

#include "ImageView.h"

namespace qtui {

FormView::FormView(ui::Form& form, ui::Interaction& ui, QWidget* parent)
    : QWidget(parent), form_(form), ui_(ui) {
    runner_ = [this](const std::function<void()>& handler) { RunEvent(handler); };
    setObjectName(ToQString(form.Name()));
    resize(std::max(0, form.ClientWidth()), std::max(0, form.ClientHeight()));
    BuildControls();
    BuildTimers();
    SetTabOrder();
}

FormView::~FormView() {
    subscriptions_.clear();
    menu_.Unbind();
}

void FormView::RunEvent(const std::function<void()>& handler) { ui::RunHandler(ui_, handler); }

bool FormView::BuildMenu(QMenuBar* bar) {
    if (form_.MainMenu().Items().empty()) return false;
    menu_.Build(form_.MainMenu(), bar, runner_);
    return true;
}

QWidget* FormView::AreaFor(ui::Control* container) const {
    if (!container) return const_cast<FormView*>(this);
    auto found = widgets_.find(container);
    if (found == widgets_.end() || !found->second.childArea) return const_cast<FormView*>(this);
    return found->second.childArea;
}

void FormView::BuildControls() {
    // Parents are made before their children, so one pass in order finds every container.
    for (const auto& owned : form_.Controls()) {
        ui::Control& control = *owned;
        QWidget* area = AreaFor(control.Parent());
        widgets_[&control] = MakeControlWidget(control, area, runner_);
        subscriptions_.push_back(control.Subscribe({[this, &control] { SyncControl(control); },
                                                    [this, &control] {
                                                        SyncControl(control);
                                                        widgets_[&control].repaintNow();
                                                    }}));
    }
    // Controls aligned to their parent's client follow the page (or viewport) as it resizes.
    for (auto& [control, made] : widgets_) {
        if (!made.clientWatch) continue;
        ui::Control* container = control;
        auto clientRect = made.clientRect;
        new EventHook(made.clientWatch, [this, container, clientRect](QEvent* event) {
            if (event->type() == QEvent::Resize) FillAligned(container, clientRect());
            return false;
        });
    }
    for (const auto& owned : form_.Controls()) SyncControl(*owned);
}

void FormView::BuildTimers() {
    for (const auto& owned : form_.Timers()) {
        ui::Timer& timer = *owned;
        auto* qtimer = new QTimer(this);
        qtimer->setObjectName(ToQString(timer.name));
        // A handler that is still running (showing a message, say) is not entered again.
        auto running = std::make_shared<bool>(false);
        connect(qtimer, &QTimer::timeout, this, [this, &timer, running] {
            if (*running) return;
            *running = true;
            RunEvent([&timer] { timer.Fire(); });
            *running = false;
        });
        timers_.emplace_back(&timer, qtimer);
        subscriptions_.push_back(
            timer.Subscribe({[this, &timer, qtimer] { SyncTimer(timer, qtimer); }, {}}));
        SyncTimer(timer, qtimer);
    }
}

void FormView::SyncTimer(ui::Timer& timer, QTimer* qtimer) {
    if (timer.Enabled() && timer.Interval() > 0)
        qtimer->start(timer.Interval());
    else
        qtimer->stop();
}

void FormView::SetTabOrder() {
    std::vector<ui::Control*> ordered;
    for (const auto& owned : form_.Controls())
        if (owned->TabOrder() >= 0) ordered.push_back(owned.get());
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](ui::Control* a, ui::Control* b) { return a->TabOrder() < b->TabOrder(); });
    for (std::size_t i = 1; i < ordered.size(); ++i)
        if (ordered[i - 1]->Parent() == ordered[i]->Parent())
            QWidget::setTabOrder(widgets_[ordered[i - 1]].widget, widgets_[ordered[i]].widget);
}

void FormView::SyncControl(ui::Control& control) {
    auto found = widgets_.find(&control);
    if (found == widgets_.end()) return;
    ControlWidget& made = found->second;
    const ui::Bounds& b = control.GetBounds();
    made.widget->setGeometry(b.left, b.top, std::max(0, b.width), std::max(0, b.height));
    made.widget->setEnabled(control.Enabled());
    made.widget->setToolTip(PlainToolTip(control.Hint()));
    if (made.sync) made.sync();
    made.widget->setVisible(control.Visible());
    if (control.Parent() && control.Parent()->Kind() == ui::ControlKind::ScrollBox)
        FitScrollContent(*control.Parent());
}

// The scrolled area reaches to the farthest child, as a scroll box's range does.
void FormView::FitScrollContent(ui::Control& scrollBox) {
    QWidget* content = AreaFor(&scrollBox);
    int width = 0, height = 0;
    for (const auto& owned : form_.Controls()) {
        if (owned->Parent() != &scrollBox || !owned->Visible()) continue;
        const ui::Bounds& b = owned->GetBounds();
        width = std::max(width, b.left + b.width);
        height = std::max(height, b.top + b.height);
    }
    content->resize(width, height);
}

void FormView::FillAligned(ui::Control* container, QRect area) {
    for (const auto& owned : form_.Controls())
        if (owned->Parent() == container && owned->align == ui::Align::Client)
            owned->SetBounds({area.x(), area.y(), area.width(), area.height()});
}

void FormView::resizeEvent(QResizeEvent* event) {
    QSize size = event->size();
    RunEvent([&] {
        form_.SetClientSize(size.width(), size.height());
        FillAligned(nullptr, QRect(QPoint(0, 0), size));
    });
}

bool FormView::PressButton(bool cancel) {
    for (const auto& owned : form_.Controls()) {
        if (owned->Kind() != ui::ControlKind::Button) continue;
        auto& button = static_cast<ui::Button&>(*owned);
        if ((cancel ? button.isCancel : button.isDefault) && button.Visible() && button.Enabled()) {
            if (button.OnClick) RunEvent([&button] { button.OnClick(); });
            return true;
        }
    }
    return false;
}

void FormView::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    if (event->key() == Qt::Key_Escape)
        handled = PressButton(true);
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        handled = PressButton(false);
    // Keys no other control took move the picture shown, as in a map viewer.
    for (auto& [control, made] : widgets_) {
        if (handled) break;
        if (auto* view = dynamic_cast<ImageView*>(made.widget)) handled = view->HandleKey(event);
    }
    if (handled)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

QWidget* FormView::WidgetFor(const std::string& controlName) const {
    for (const auto& [control, made] : widgets_)
        if (control->Name() == controlName) return made.widget;
    return nullptr;
}

QTimer* FormView::TimerFor(const std::string& timerName) const {
    for (const auto& [timer, qtimer] : timers_)
        if (timer->name == timerName) return qtimer;
    return nullptr;
}

}  // namespace qtui
