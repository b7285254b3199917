#include "ControlWidgets.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>

#include "ImageView.h"

namespace qtui {

namespace {

class ClickableLabel : public QLabel {
public:
    ClickableLabel(ui::Label& label, EventRunner run, QWidget* parent)
        : QLabel(parent), label_(label), run_(std::move(run)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            label_.OnClick)
            run_([this] { label_.OnClick(); });
        QLabel::mouseReleaseEvent(event);
    }

private:
    ui::Label& label_;
    EventRunner run_;
};

// A tab strip over one page that all tabs share; children of the control live on the page.
class TabControlWidget : public QWidget {
public:
    explicit TabControlWidget(QWidget* parent) : QWidget(parent) {
        tabBar_ = new QTabBar(this);
        tabBar_->setObjectName("tabs");
        frame_ = new QFrame(this);
        frame_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
        page_ = new QWidget(frame_);
        page_->setObjectName("page");
    }
    QTabBar* TabBar() const { return tabBar_; }
    QWidget* Page() const { return page_; }
    QRect PageRect() const { return QRect(frame_->pos() + page_->pos(), page_->size()); }

protected:
    void resizeEvent(QResizeEvent*) override {
        int barHeight = tabBar_->sizeHint().height();
        tabBar_->setGeometry(0, 0, width(), barHeight);
        frame_->setGeometry(0, barHeight, width(), std::max(0, height() - barHeight));
        page_->setGeometry(frame_->contentsRect());
    }

private:
    QTabBar* tabBar_;
    QFrame* frame_;
    QWidget* page_;
};

class PanelWidget : public QFrame {
public:
    PanelWidget(ui::Panel& panel, QWidget* parent) : QFrame(parent), panel_(panel) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        if (panel_.Caption().empty()) return;
        QPainter painter(this);
        painter.drawText(contentsRect(), Qt::AlignCenter, WithoutAccessKeys(panel_.Caption()));
    }

private:
    ui::Panel& panel_;
};

ControlWidget Made(QWidget* widget, QWidget* childArea = nullptr) {
    ControlWidget made;
    made.widget = widget;
    made.childArea = childArea;
    return made;
}

QFrame::Shadow ShadowOf(ui::Bevel bevel) {
    return bevel == ui::Bevel::Raised ? QFrame::Raised : QFrame::Sunken;
}

ControlWidget MakeButton(ui::Button& button, QWidget* parent, const EventRunner& run) {
    auto* widget = new QPushButton(parent);
    QObject::connect(widget, &QPushButton::clicked, widget, [&button, run] {
        if (button.OnClick) run([&button] { button.OnClick(); });
    });
    new EventHook(widget, [&button, run](QEvent* event) {
        if (event->type() != QEvent::KeyPress || !button.OnKeyPress) return false;
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        QByteArray typed = keyEvent->text().toLatin1();
        char key = keyEvent->key() == Qt::Key_Escape ? char(27) : typed.isEmpty() ? 0 : typed[0];
        if (key == 0) return false;
        run([&button, &key] { button.OnKeyPress(key); });
        return key == 0;  // the handler swallowed it
    });
    ControlWidget result = Made(widget);
    result.sync = [&button, widget] {
        widget->setText(ToQString(button.Caption()));
        widget->setDefault(button.isDefault);
    };
    return result;
}

ControlWidget MakeLabel(ui::Label& label, QWidget* parent, const EventRunner& run) {
    auto* widget = new ClickableLabel(label, run, parent);
    widget->setTextFormat(Qt::PlainText);
    ControlWidget result = Made(widget);
    result.sync = [&label, widget] {
        const ui::LabelStyle& style = label.style;
        QFont font = widget->font();
        font.setBold(style.bold);
        font.setUnderline(style.underline);
        widget->setFont(font);
        // An empty palette sets no role, so the label takes its parent's colours again.
        QPalette palette;
        if (style.colour)
            palette.setColor(
                QPalette::WindowText,
                QColor(RedOf(*style.colour), GreenOf(*style.colour), BlueOf(*style.colour)));
        widget->setPalette(palette);
        widget->setWordWrap(style.wordWrap);
        widget->setAlignment((style.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        if (style.handCursor)
            widget->setCursor(Qt::PointingHandCursor);
        else
            widget->unsetCursor();
        widget->setText(WithoutAccessKeys(label.Caption()));
        if (!style.autoSize) return;
        ui::Bounds bounds = label.GetBounds();
        if (style.wordWrap) {
            bounds.height = widget->heightForWidth(bounds.width);
        } else {
            QSize hint = widget->sizeHint();
            if (style.alignRight) bounds.left += bounds.width - hint.width();
            bounds.width = hint.width();
            bounds.height = hint.height();
        }
        label.SetBounds(bounds);
    };
    return result;
}

ControlWidget MakeProgressBar(ui::ProgressBar& bar, QWidget* parent) {
    auto* widget = new QProgressBar(parent);
    widget->setTextVisible(false);
    ControlWidget result = Made(widget);
    result.sync = [&bar, widget] {
        // An empty range would make Qt show a busy animation instead of an empty bar.
        if (bar.Max() > bar.Min()) {
            widget->setRange(bar.Min(), bar.Max());
            widget->setValue(bar.Position());
        } else {
            widget->setRange(0, 1);
            widget->setValue(0);
        }
    };
    return result;
}

ControlWidget MakeImage(ui::Image& image, QWidget* parent, const EventRunner& run) {
    auto* widget = new ImageView(image, run, parent);
    ControlWidget result = Made(widget);
    result.sync = [widget] {
        widget->PictureMayHaveChanged();
        widget->SyncCapture();
        widget->update();
    };
    result.repaintNow = [widget] {
        widget->PictureMayHaveChanged();
        widget->repaint();
    };
    return result;
}

ControlWidget MakeTabControl(ui::TabControl& tabs, QWidget* parent, const EventRunner& run) {
    auto* widget = new TabControlWidget(parent);
    auto syncing = std::make_shared<bool>(false);
    QObject::connect(widget->TabBar(), &QTabBar::currentChanged, widget,
                     [&tabs, run, syncing](int index) {
                         if (*syncing || index < 0) return;
                         run([&tabs, index] { tabs.UserSelect(index); });
                     });
    ControlWidget result = Made(widget, widget);
    result.clientRect = [widget] { return widget->PageRect(); };
    result.clientWatch = widget->Page();
    result.sync = [&tabs, widget, syncing] {
        *syncing = true;
        QTabBar* bar = widget->TabBar();
        bool same = bar->count() == int(tabs.Tabs().size());
        for (int i = 0; same && i < bar->count(); ++i)
            same = bar->tabText(i) == ToQString(tabs.Tabs()[std::size_t(i)]);
        if (!same) {
            while (bar->count() > 0) bar->removeTab(0);
            for (const auto& tab : tabs.Tabs()) bar->addTab(ToQString(tab));
        }
        if (tabs.TabIndex() >= 0 && tabs.TabIndex() < bar->count())
            bar->setCurrentIndex(tabs.TabIndex());
        *syncing = false;
    };
    return result;
}

ControlWidget MakeRadioGroup(ui::RadioGroup& group, QWidget* parent, const EventRunner& run) {
    auto* widget = new QGroupBox(parent);
    auto* layout = new QGridLayout(widget);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setVerticalSpacing(0);
    auto* buttons = new QButtonGroup(widget);
    auto syncing = std::make_shared<bool>(false);
    auto shownItems = std::make_shared<std::vector<std::string>>();
    auto shownColumns = std::make_shared<int>(0);
    QObject::connect(buttons, &QButtonGroup::idClicked, widget, [&group, run, syncing](int id) {
        if (*syncing) return;
        run([&group, id] { group.SetItemIndex(id); });
    });
    ControlWidget result = Made(widget);
    result.sync = [&group, widget, layout, buttons, syncing, shownItems, shownColumns] {
        *syncing = true;
        widget->setTitle(WithoutAccessKeys(group.Caption()));
        int columns = std::max(1, group.Columns());
        if (*shownItems != group.Items() || *shownColumns != columns) {
            for (QAbstractButton* old : buttons->buttons()) {
                buttons->removeButton(old);
                delete old;
            }
            // Items run down the first column, then the next, as the toolkit places them.
            int rows = (int(group.Items().size()) + columns - 1) / columns;
            for (std::size_t i = 0; i < group.Items().size(); ++i) {
                auto* radio = new QRadioButton(ToQString(group.Items()[i]), widget);
                buttons->addButton(radio, int(i));
                layout->addWidget(radio, int(i) % std::max(rows, 1), int(i) / std::max(rows, 1));
            }
            *shownItems = group.Items();
            *shownColumns = columns;
        }
        buttons->setExclusive(false);
        for (QAbstractButton* radio : buttons->buttons())
            radio->setChecked(buttons->id(radio) == group.ItemIndex());
        buttons->setExclusive(true);
        *syncing = false;
    };
    return result;
}

ControlWidget MakeScrollBox(ui::ScrollBox& box, QWidget* parent) {
    auto* widget = new QScrollArea(parent);
    widget->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget;
    content->setObjectName("content");
    widget->setWidget(content);
    widget->setWidgetResizable(false);
    ControlWidget result = Made(widget, content);
    result.clientRect = [widget] { return QRect(QPoint(0, 0), widget->viewport()->size()); };
    result.clientWatch = widget->viewport();
    result.sync = [&box, widget] {
        widget->setHorizontalScrollBarPolicy(box.HorizontalBarVisible() ? Qt::ScrollBarAsNeeded
                                                                        : Qt::ScrollBarAlwaysOff);
        widget->setVerticalScrollBarPolicy(box.VerticalBarVisible() ? Qt::ScrollBarAsNeeded
                                                                    : Qt::ScrollBarAlwaysOff);
    };
    return result;
}

ControlWidget MakePanel(ui::Panel& panel, QWidget* parent) {
    auto* widget = new PanelWidget(panel, parent);
    ControlWidget result = Made(widget, widget);
    result.clientRect = [widget] { return widget->contentsRect(); };
    result.clientWatch = widget;
    result.sync = [&panel, widget] {
        if (panel.bevelOuter == ui::Bevel::None && panel.bevelInner == ui::Bevel::None) {
            widget->setFrameStyle(QFrame::NoFrame);
            return;
        }
        ui::Bevel outer = panel.bevelOuter != ui::Bevel::None ? panel.bevelOuter : panel.bevelInner;
        widget->setFrameStyle(QFrame::Panel | ShadowOf(outer));
        widget->setLineWidth(
            panel.bevelOuter != ui::Bevel::None && panel.bevelInner != ui::Bevel::None ? 2 : 1);
        widget->update();
    };
    return result;
}

}  // namespace

ControlWidget MakeControlWidget(ui::Control& control, QWidget* parent, const EventRunner& run) {
    ControlWidget made;
    switch (control.Kind()) {
        case ui::ControlKind::Button:
            made = MakeButton(static_cast<ui::Button&>(control), parent, run);
            break;
        case ui::ControlKind::Label:
            made = MakeLabel(static_cast<ui::Label&>(control), parent, run);
            break;
        case ui::ControlKind::ProgressBar:
            made = MakeProgressBar(static_cast<ui::ProgressBar&>(control), parent);
            break;
        case ui::ControlKind::Image:
            made = MakeImage(static_cast<ui::Image&>(control), parent, run);
            break;
        case ui::ControlKind::TabControl:
            made = MakeTabControl(static_cast<ui::TabControl&>(control), parent, run);
            break;
        case ui::ControlKind::RadioGroup:
            made = MakeRadioGroup(static_cast<ui::RadioGroup&>(control), parent, run);
            break;
        case ui::ControlKind::ScrollBox:
            made = MakeScrollBox(static_cast<ui::ScrollBox&>(control), parent);
            break;
        case ui::ControlKind::Panel:
            made = MakePanel(static_cast<ui::Panel&>(control), parent);
            break;
    }
    made.widget->setObjectName(ToQString(control.Name()));
    if (!made.repaintNow) made.repaintNow = [widget = made.widget] { widget->repaint(); };
    return made;
}

}  // namespace qtui
