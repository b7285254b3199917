#include "QtInteraction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "Form.h"
#include "FormWindows.h"
#include "QtSupport.h"

namespace qtui {

namespace {

// Message boxes break lines at "\n"; the forms' texts may use a lone carriage return.
QString MessageText(const std::string& text) { return ToQString(ui::WithNewlines(text)); }

QString PatternsOf(const std::string& windowsPatterns) {
    QStringList patterns;
    for (const QString& pattern : ToQString(windowsPatterns).split(';', Qt::SkipEmptyParts)) {
        QString trimmed = pattern.trimmed();
        patterns << (trimmed == "*.*" ? QString("*") : trimmed);
    }
    return patterns.join(' ');
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// The folder to start in: the one asked for, or the nearest existing folder above it.
QString StartFolder(const std::string& initialDir) {
    if (initialDir.empty()) return QDir::currentPath();
    QFileInfo folder(PathToQString(initialDir));
    while (!folder.isDir()) {
        QString parent = folder.absolutePath();
        if (parent == folder.absoluteFilePath()) return QDir::homePath();
        folder = QFileInfo(parent);
    }
    return folder.absoluteFilePath();
}

}  // namespace

QStringList NameFiltersOf(const std::string& filter) {
    QStringList parts = ToQString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString patterns = PatternsOf(ToStdString(parts[i + 1]));
        if (patterns.isEmpty()) continue;
        if (description.endsWith('(' + parts[i + 1].trimmed() + ')'))
            description = description.left(description.lastIndexOf('(')).trimmed();
        filters << (description.isEmpty() ? patterns : description + " (" + patterns + ")");
    }
    return filters;
}

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
    QFileDialog chooser(DialogParent(), ToQString(dialog.title), StartFolder(dialog.initialDir));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(dialog.options & ui::FileMustExist ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
    QStringList filters = NameFiltersOf(dialog.filter);
    // A file name with wildcards lists only the files it matches, ahead of the filter.
    if (HasWildcard(dialog.fileName)) filters.prepend(PatternsOf(dialog.fileName));
    if (!filters.isEmpty()) chooser.setNameFilters(filters);
    if (!dialog.defaultExt.empty()) chooser.setDefaultSuffix(ToQString(dialog.defaultExt));
    if (!dialog.fileName.empty() && !HasWildcard(dialog.fileName))
        chooser.selectFile(PathToQString(dialog.fileName));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return std::nullopt;
    QFileInfo chosen(chooser.selectedFiles().first());
    if ((dialog.options & ui::FileMustExist) && !chosen.isFile()) return std::nullopt;
    if ((dialog.options & ui::PathMustExist) && !QFileInfo(chosen.absolutePath()).isDir())
        return std::nullopt;
    return PathToStdString(QDir::toNativeSeparators(chosen.absoluteFilePath()));
}

std::optional<std::string> QtInteraction::ExecuteSave(const ui::OpenDialog& dialog) {
    QFileDialog chooser(DialogParent(), ToQString(dialog.title), StartFolder(dialog.initialDir));
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
