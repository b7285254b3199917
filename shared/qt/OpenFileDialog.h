#pragma once
// A ui::OpenDialog as a Qt file dialog. Qt's own dialog, not the desktop's: it has to take names
// by the rule of OpenDialogNames.h (a dialog whose names ignore case suggests its file name as
// spelled in each folder it enters, and takes a typed name in other capitals) and to open at a
// size that shows its size, type and date columns, neither of which a native dialog promises.
// Open takes any name; one the rule refuses gets a "File not found" box and the dialog stays.
// QtInteraction::ExecuteOpen shows it.
#include <QFileDialog>
#include <QStringList>
#include <string>

#include "Controls.h"

namespace qtui {

class OpenFileDialog : public QFileDialog {
public:
    // rememberSize: open at the size the user last left a dialog at (the program's QSettings),
    // and keep the new one; otherwise at a fixed size that shows the columns. messageTitle
    // heads its message boxes, as the program's own.
    OpenFileDialog(const ui::OpenDialog& dialog, QWidget* parent, bool rememberSize,
                   QString messageTitle);

    // The path taken, after exec() returned Accepted.
    const std::string& Chosen() const { return chosen_; }

    void accept() override;
    void done(int result) override;

private:
    void FitDetailColumns();
    void SuggestIn(const QString& folder);

    ui::OpenDialog dialog_;
    bool rememberSize_;
    QString messageTitle_;
    std::string chosen_;
};

// The Qt name filters for a "Description|pattern|Description|pattern" filter: patterns split
// at ";" become space-separated, "*.*" (every file on Windows) becomes "*", and a description
// ending in its own "(patterns)" is not given them twice.
QStringList NameFiltersOf(const std::string& filter);

}  // namespace qtui
