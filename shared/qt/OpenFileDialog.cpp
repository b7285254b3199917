#include "OpenFileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTreeView>
#include <utility>

#include "AsciiCase.h"
#include "FileLookup.h"
#include "OpenDialogNames.h"
#include "QtSupport.h"

namespace qtui {

namespace {

const char* const kSizeKey = "OpenDialogSize";
// Wide enough for the name, size, type and date columns beside the places list.
const QSize kDefaultSize(960, 600);

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

std::string WithSlash(const QString& folder) {
    std::string path = PathToStdString(folder);
    return path.ends_with('/') ? path : path + '/';
}

QSize InitialSize(bool remembered, const QWidget* parent) {
    QSize size = kDefaultSize;
    if (remembered) {
        QSize stored = QSettings().value(kSizeKey).toSize();
        if (stored.width() >= 320 && stored.height() >= 240) size = stored;
    }
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) size = size.boundedTo(screen->availableSize() * 0.9);
    return size;
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

OpenFileDialog::OpenFileDialog(const ui::OpenDialog& dialog, QWidget* parent, bool rememberSize,
                               QString messageTitle)
    : QFileDialog(parent, ToQString(dialog.title)),
      dialog_(dialog),
      rememberSize_(rememberSize),
      messageTitle_(std::move(messageTitle)) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    // Existence is the rule's to judge (accept), so Open stays usable for any name.
    setFileMode(QFileDialog::AnyFile);
    QStringList filters = NameFiltersOf(dialog.filter);
    // A file name with wildcards lists only the files it matches, ahead of the filter.
    if (HasWildcard(dialog.fileName)) filters.prepend(PatternsOf(dialog.fileName));
    if (!filters.isEmpty()) setNameFilters(filters);
    if (!dialog.defaultExt.empty()) setDefaultSuffix(ToQString(dialog.defaultExt));
    resize(InitialSize(rememberSize, parent));
    FitDetailColumns();
    const QString start = StartFolder(dialog.initialDir);
    setDirectory(start);
    if (!dialog.fileName.empty() && !HasWildcard(dialog.fileName)) {
        selectFile(PathToQString(ui::SuggestedFileName(dialog, WithSlash(start))));
        if (dialog.namesIgnoreCase)
            connect(this, &QFileDialog::directoryEntered, this, &OpenFileDialog::SuggestIn);
    }
}

// Qt sizes the size, type and date columns for short texts ("54....MiB"): they take the width
// of what they show whenever a folder has been read.
void OpenFileDialog::FitDetailColumns() {
    auto* files = findChild<QFileSystemModel*>();
    auto* details = findChild<QTreeView*>();
    if (!files || !details) return;
    connect(files, &QFileSystemModel::directoryLoaded, details, [details] {
        for (int column = 1; column < details->model()->columnCount(); ++column)
            details->resizeColumnToContents(column);
    });
}

// The suggestion follows the user from folder to folder, spelled as each folder spells it,
// unless the user typed another name.
void OpenFileDialog::SuggestIn(const QString& folder) {
    const QStringList typed = selectedFiles();
    // With nothing typed the selection is the folder itself.
    if (!typed.isEmpty() && !QFileInfo(typed.first()).isDir() &&
        !EqualsIgnoringCase(PathToStdString(QFileInfo(typed.first()).fileName()), dialog_.fileName))
        return;
    selectFile(PathToQString(ui::SuggestedFileName(dialog_, WithSlash(folder))));
}

void OpenFileDialog::accept() {
    const QStringList typed = selectedFiles();
    if (typed.isEmpty()) return;
    QFileInfo named(typed.first());
    // A folder's name opens the folder, as Qt's dialog does.
    if (named.isDir()) return QFileDialog::accept();
    const std::string path = PathToStdString(named.absoluteFilePath());
    if (std::optional<std::string> accepted = ui::AcceptedPath(dialog_, path)) {
        chosen_ = *accepted;
        QDialog::accept();
        return;
    }
    const bool folderThere = FolderExists(FolderPart(path));
    QMessageBox refusal(QMessageBox::Warning, messageTitle_,
                        named.fileName() +
                            (folderThere ? "\nFile not found." : "\nPath not found.") +
                            "\nPlease verify the correct file name was given.",
                        QMessageBox::Ok, this);
    refusal.setTextFormat(Qt::PlainText);  // a file name is not markup
    refusal.exec();
}

void OpenFileDialog::done(int result) {
    if (rememberSize_) QSettings().setValue(kSizeKey, size());
    QFileDialog::done(result);
}

}  // namespace qtui
