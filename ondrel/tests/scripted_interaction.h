#pragma once

#include <QDialog>
#include <QPrinter>
#include <deque>
#include <functional>
#include <vector>

#include "ui/interaction.h"

namespace ondrel::testing {

// Answers the program's dialogs from a script and keeps what they showed.
class ScriptedInteraction final : public Interaction {
public:
    void showMessage(const QString& text) override { messages.push_back(text); }
    void showError(const QString& text) override { errors.push_back(text); }
    bool askYesNo(const QString& text) override {
        questions.push_back(text);
        if (yesNoAnswers.empty())
            return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    bool askOkCancel(const QString& text) override { return askYesNo(text); }
    QStringList getOpenFileNames(const FileRequest& request) override {
        openRequests.push_back(request);
        return next(openAnswers);
    }
    QString getSaveFileName(const FileRequest& request) override {
        saveRequests.push_back(request);
        const QStringList answer = next(saveAnswers);
        return answer.isEmpty() ? QString() : answer.constFirst();
    }
    void showAbout(bool asSplash) override {
        abouts.push_back(asSplash);
        if (onAbout)
            onAbout(asSplash);
    }
    void beep() override { ++beeps; }
    // The printer prints to the next PDF file of the script; cancelled
    // when there is none.
    bool setUpPrinter(QPrinter& printer) override {
        if (printFiles.empty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printFiles.front());
        printFiles.pop_front();
        return true;
    }
    QColor chooseColor(const QColor&) override {
        if (colors.empty())
            return {};
        const QColor color = colors.front();
        colors.pop_front();
        return color;
    }
    // The dialog is shown (not modally) to the script, which acts on it.
    int runDialog(QDialog& dialog) override {
        ++dialogsRun;
        return onDialog ? onDialog(dialog) : 0;
    }

    std::vector<QString> messages, errors, questions;
    std::deque<bool> yesNoAnswers;  // No when empty
    std::vector<FileRequest> openRequests, saveRequests;
    std::deque<QStringList> openAnswers, saveAnswers;  // cancelled when empty
    std::vector<bool> abouts;
    std::function<void(bool asSplash)> onAbout;  // while the about window shows
    int beeps = 0;
    std::deque<QString> printFiles;
    std::deque<QColor> colors;
    int dialogsRun = 0;
    std::function<int(QDialog&)> onDialog;

private:
    static QStringList next(std::deque<QStringList>& answers) {
        if (answers.empty())
            return {};
        QStringList answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace ondrel::testing
