#include "QtInteraction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "Form.h"
#include "FormWindows.h"
#include "OpenFileDialog.h"
#include "QtSupport.h"

namespace qtui {

namespace {

// Message boxes break lines at "\n"; the forms' texts may use a lone carriage return.
QString MessageText(const std::string& text) { return ToQString(ui::WithNewlines(text)); }

}  // namespace

QtInteraction::~QtInteraction() {
    if (cursorOverridden_) QApplication::restoreOverrideCursor();
}

QWidget* QtInteraction::DialogParent() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return mainWindow_ && mainWindow_->isVisible() ? mainWindow_.data() : nullptr;
}

QString QtInteraction::Title() const {
    return title_.empty() ? QApplication::applicationName() : ToQString(title_);
}

void QtInteraction::ShowBox(QMessageBox::Icon icon, const std::string& text) {
    QMessageBox box(icon, Title(), MessageText(text), QMessageBox::Ok, DialogParent());
    // Texts carry file names, which must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtInteraction::ShowMessage(const std::string& text) { ShowBox(QMessageBox::NoIcon, text); }

void QtInteraction::ShowError(const std::string& text) { ShowBox(QMessageBox::Critical, text); }

std::optional<std::string> QtInteraction::ExecuteOpen(const ui::OpenDialog& dialog) {
    OpenFileDialog chooser(dialog, DialogParent(), rememberDialogSize_, Title());
    if (chooser.exec() != QDialog::Accepted) return std::nullopt;
    return chooser.Chosen();
}

std::optional<std::string> QtInteraction::ExecuteSave(const ui::OpenDialog& dialog) {
    QFileDialog chooser(DialogParent(), ToQString(dialog.title), PathToQString(dialog.initialDir));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = NameFiltersOf(dialog.filter);
    if (!filters.isEmpty()) chooser.setNameFilters(filters);
    if (!dialog.defaultExt.empty()) chooser.setDefaultSuffix(ToQString(dialog.defaultExt));
    if (!dialog.fileName.empty()) chooser.selectFile(PathToQString(dialog.fileName));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return std::nullopt;
    return PathToStdString(QDir::toNativeSeparators(chooser.selectedFiles().first()));
}

std::optional<int> QtInteraction::ExecuteChoice(const ui::ChoiceDialog& dialog) {
    QStringList items;
    for (const std::string& item : dialog.items) items << ToQString(item);
    bool accepted = false;
    const QString picked =
        QInputDialog::getItem(DialogParent(), ToQString(dialog.title), ToQString(dialog.prompt),
                              items, dialog.itemIndex, false, &accepted);
    if (!accepted) return std::nullopt;
    const int index = int(items.indexOf(picked));
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

void QtInteraction::SetCursor(ui::Cursor cursor) {
    if (cursor == cursor_) return;
    if (cursorOverridden_) QApplication::restoreOverrideCursor();
    cursorOverridden_ = cursor != ui::Cursor::Default;
    if (cursor == ui::Cursor::HourGlass) QApplication::setOverrideCursor(Qt::WaitCursor);
    if (cursor == ui::Cursor::Hand) QApplication::setOverrideCursor(Qt::PointingHandCursor);
    cursor_ = cursor;
}

void QtInteraction::Terminate() {
    terminated_ = true;
    // Before the loop runs there is nothing to end, and ending it then would make every later
    // message box return at once. exit, not quit: quit would ask the windows to close first,
    // and terminating does not ask the form.
    if (loopRunning_) QCoreApplication::exit(0);
}

void QtInteraction::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(ToQString(url)));
}

void QtInteraction::ShowModal(ui::Form& form) {
    ModalDialog dialog(form, *this, DialogParent());
    ui::RunHandler(*this, [&] { form.OpenModal(); });
    if (!form.IsClosed()) dialog.exec();
}

}  // namespace qtui
