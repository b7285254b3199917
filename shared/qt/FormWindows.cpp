#include "FormWindows.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

namespace qtui {

namespace {

const char* const kGeometryKey = "WindowGeometry";

void Place(QWidget* window, const ui::Form& form) {
    if (!form.Centred()) {
        window->move(form.DesignLeft(), form.DesignTop());
        return;
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect free = screen->availableGeometry();
        window->move(free.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

// A window larger than its screen's free area (a design for a larger screen, or one at twice the
// scale) shrinks to it, and one that lies off it moves onto it, so that the user can reach its
// edges and its pictures fit what shows.
void FitOnScreen(QWidget* window) {
    const QRect frame = window->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    const QSize frameExtra = frame.size() - window->size();
    const QSize most = free.size() - frameExtra;
    if (window->width() > most.width() || window->height() > most.height())
        window->resize(std::min(window->width(), most.width()),
                       std::min(window->height(), most.height()));
    const QSize outer = window->size() + frameExtra;
    // Still too large (its least size): its top-left corner stays on the screen.
    const int left =
        std::max(free.left(), std::min(frame.left(), free.right() + 1 - outer.width()));
    const int top = std::max(free.top(), std::min(frame.top(), free.bottom() + 1 - outer.height()));
    if (QPoint(left, top) != frame.topLeft()) window->move(left, top);
}

// Asks the form (FormCloseQuery) unless it is closed already; errors are shown, not thrown.
bool AgreesToClose(FormView& view, ui::Form& form) {
    bool closed = form.IsClosed();
    if (!closed) view.RunEvent([&] { closed = form.CloseNow(); });
    return closed;
}

}  // namespace

MainWindow::MainWindow(ui::Form& form, ui::Interaction& ui) : form_(form) {
    setObjectName(ToQString(form.Name()));
    view_ = new FormView(form, ui, this);
    setCentralWidget(view_);
    if (view_->BuildMenu(menuBar())) menuHeight_ = menuBar()->sizeHint().height();
    // The pointer's coordinates and the zoom go here; the client area keeps its designed size.
    menuHeight_ += statusBar()->sizeHint().height();
    resize(form.ClientWidth(), form.ClientHeight() + menuHeight_);
    Place(this, form);
    windowBinding_ = form.AttachWindow([this] { close(); });
    formBinding_ = form.Subscribe({[this] { SyncFromForm(); }, {}});
    SyncFromForm();
    FitOnScreen(this);
    setAcceptDrops(bool(form.OnFileDropped));
}

MainWindow::~MainWindow() = default;

// The frame is known once the window shows; with it the window may no longer fit.
void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous() || fittedWithFrame_) return;
    fittedWithFrame_ = true;
    FitOnScreen(this);
}

void MainWindow::RememberGeometry() {
    rememberGeometry_ = true;
    restoreGeometry(QSettings().value(kGeometryKey).toByteArray());
    FitOnScreen(this);
}

namespace {

std::optional<QString> DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    // A copy: the list urls() returns lives only as long as the statement.
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1) return std::nullopt;
    const QUrl& url = urls.front();
    if (!url.isLocalFile()) return std::nullopt;
    return url.toLocalFile();
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (form_.OnFileDropped && DroppedFile(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::optional<QString> path = DroppedFile(event->mimeData());
    if (!form_.OnFileDropped || !path) return;
    event->acceptProposedAction();
    view_->RunEvent([&] { form_.OnFileDropped(PathToStdString(*path)); });
}

// A caption or client size set by the form itself; the size the user gives comes the other
// way, through the view's resize.
void MainWindow::SyncFromForm() {
    setWindowTitle(ToQString(form_.Caption()));
    QSize client(form_.ClientWidth(), form_.ClientHeight());
    if (!client.isValid() || client == view_->size()) return;
    if (isVisible()) {
        resize(size() + client - view_->size());
    } else {
        // Not laid out yet: size both, or showing would put the old size back.
        resize(client.width(), client.height() + menuHeight_);
        view_->resize(client);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!AgreesToClose(*view_, form_)) {
        event->ignore();
        return;
    }
    event->accept();
    if (rememberGeometry_) QSettings().setValue(kGeometryKey, saveGeometry());
    if (onClosed) onClosed();
}

ModalDialog::ModalDialog(ui::Form& form, ui::Interaction& ui, QWidget* parent)
    : QDialog(parent), form_(form) {
    setObjectName(ToQString(form.Name()));
    view_ = new FormView(form, ui, this);
    view_->setFixedSize(form.ClientWidth(), form.ClientHeight());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* bar = new QMenuBar(this);
    if (view_->BuildMenu(bar))
        layout->setMenuBar(bar);
    else
        delete bar;
    layout->addWidget(view_);
    if (form.Centred()) {
        adjustSize();
        Place(this, form);
    }
    windowBinding_ = form.AttachWindow([this] { close(); });
    formBinding_ = form.Subscribe({[this] { setWindowTitle(ToQString(form_.Caption())); }, {}});
    setWindowTitle(ToQString(form.Caption()));
}

ModalDialog::~ModalDialog() = default;

// Every way of closing (the close box, Form::Close, reject) ends here; the form may refuse.
// Also before the dialog shows, so a FormShow that closes its box keeps it from opening.
void ModalDialog::closeEvent(QCloseEvent* event) {
    if (!AgreesToClose(*view_, form_)) {
        event->ignore();
        return;
    }
    event->accept();
    QDialog::reject();
}

void ModalDialog::reject() { close(); }

// Escape closes the box only through a cancel button (FormView) or a key handler; a dialog
// without either stays open, as the forms expect.
void ModalDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace qtui
