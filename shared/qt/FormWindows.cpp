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
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
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
    setAcceptDrops(bool(form.OnFileDropped));
}

MainWindow::~MainWindow() = default;

void MainWindow::RememberGeometry() {
    rememberGeometry_ = true;
    restoreGeometry(QSettings().value(kGeometryKey).toByteArray());
}

namespace {

std::optional<QString> DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return std::nullopt;
    const QUrl& url = data->urls().front();
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
