#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <vector>

class QDialog;
class QPrinter;

namespace ondrel {

// One entry of a file dialog's filter list: its label as the user reads it
// and the pattern it stands for ("Fichiers CVN  (*.cvn)", "*.CVN").
struct FileFilter {
    QString label;
    QString pattern;
    bool operator==(const FileFilter&) const = default;
};

struct FileRequest {
    QString title;
    std::vector<FileFilter> filters;
    QString defaultExtension;  // without the dot: "CVN"
    QString suggestedName;     // a file name to start with, or empty
    bool multiple = false;     // several files at once (open only)
    bool exactCase = false;    // the patterns' case only, as a save that refuses the other
};

// Every modal exchange with the user goes through here, so that tests can
// answer in place of a person.
class Interaction {
public:
    virtual ~Interaction() = default;
    // A plain message box with an OK button.
    virtual void showMessage(const QString& text) = 0;
    // An error box: what an error that reached the event loop shows.
    virtual void showError(const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool askOkCancel(const QString& text) = 0;
    // The chosen files (one unless request.multiple), empty when cancelled.
    virtual QStringList getOpenFileNames(const FileRequest& request) = 0;
    // The chosen path, empty when cancelled.
    virtual QString getSaveFileName(const FileRequest& request) = 0;
    // The system's default beep.
    virtual void beep() = 0;
    // The print dialog for printer; false when cancelled.
    virtual bool setUpPrinter(QPrinter& printer) = 0;
    // The colour dialog; an invalid colour when cancelled.
    virtual QColor chooseColor(const QColor& initial) = 0;
    // One of the program's own modal dialogs (the preview, the chart
    // settings); its result.
    virtual int runDialog(QDialog& dialog) = 0;
    // The about window, modal; as the start-up splash it closes by itself
    // after three seconds. A click anywhere on it closes it at once.
    virtual void showAbout(bool asSplash) = 0;
};

}  // namespace ondrel
