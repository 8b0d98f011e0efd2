#include "qt_interaction.h"

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
    CParamDlg dialog(QString::fromStdString(prompt), &value, parent_);
    dialog.exec();
}

}  // namespace velmora
