#include "qt_interaction.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "param_dlg.h"

namespace velmora {

void QtInteraction::MessageBox(const std::string& text) {
    // The plain OK box: no icon.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KORVANE"), QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

void QtInteraction::EditNumber(const std::string& prompt, double& value) {
    CParamDlg dialog(QString::fromStdString(prompt), &value, *this, parent_);
    dialog.exec();
}

std::optional<std::string> QtInteraction::SaveFileName(const std::string& caption,
                                                       const std::string& filter,
                                                       const std::string& defaultSuffix) {
    QFileDialog dialog(parent_, QString::fromStdString(caption), QString(),
                       QString::fromStdString(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // The name as the bytes the file system takes.
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

}  // namespace velmora
