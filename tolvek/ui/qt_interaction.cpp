#include "qt_interaction.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tolvek {

void QtInteraction::showMessage(const QString& caption, const QString& text) {
    QMessageBox::critical(parent_, caption, text, QMessageBox::Ok);
}

QString QtInteraction::getOpenFileName(const OpenFileRequest& request) {
    QFileDialog dialog(parent_, request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);  // the path must exist
    dialog.setNameFilters(request.filters);
    if (request.filterIndex >= 1 && request.filterIndex <= request.filters.size())
        dialog.selectNameFilter(request.filters[request.filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace tolvek
