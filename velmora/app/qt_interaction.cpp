#include "qt_interaction.h"

#include <QMessageBox>

#include "param_dlg.h"

namespace velmora {

void QtInteraction::MessageBox(const std::string& text) {
    QMessageBox::warning(parent_, QStringLiteral("KORVANE"), QString::fromStdString(text),
                         QMessageBox::Ok);
}

void QtInteraction::EditNumber(const std::string& prompt, double& value) {
    CParamDlg dialog(QString::fromStdString(prompt), &value, parent_);
    dialog.exec();
}

}  // namespace velmora
