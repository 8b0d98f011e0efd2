#pragma once

#include <QWidget>

#include "interaction.h"

namespace ondrel {

// The filters of a request as a file dialog lists them.
QStringList NameFilters(const FileRequest& request);

// The interaction through Qt's message boxes and file dialogs.
class QtInteraction final : public Interaction {
public:
    void setParent(QWidget* parent) { parent_ = parent; }

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool askYesNo(const QString& text) override;
    bool askOkCancel(const QString& text) override;
    QStringList getOpenFileNames(const FileRequest& request) override;
    QString getSaveFileName(const FileRequest& request) override;
    void beep() override;
    bool setUpPrinter(QPrinter& printer) override;
    QColor chooseColor(const QColor& initial) override;
    int runDialog(QDialog& dialog) override;
    void showAbout(bool asSplash) override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace ondrel
