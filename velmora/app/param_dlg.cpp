#include "param_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "../platform/format_text.h"
#include "../platform/interaction.h"

namespace velmora {

QString ParamValueText(double value) {
    return QString::fromStdString(FormatText("%.*g", 15, value));
}

// Dialog units of an 8-point font: about 1.5 pixels across, 1.625 down.
CParamDlg::CParamDlg(const QString& prompt, double* value, QWidget* parent)
    : QDialog(parent), value_(value) {
    setWindowTitle(QStringLiteral("New parameter"));
    setFixedSize(362, 101);
    prompt_ = new QLabel(prompt, this);
    prompt_->setAlignment(Qt::AlignCenter);
    prompt_->setWordWrap(true);
    prompt_->setGeometry(52, 21, 269, 39);
    edit_ = new QLineEdit(ParamValueText(*value), this);
    edit_->setGeometry(33, 63, 159, 26);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(246, 66, 75, 23);
    connect(ok, &QPushButton::clicked, this, &CParamDlg::accept);
    edit_->selectAll();
}

void CParamDlg::accept() {
    double parsed = 0;
    if (!ParseNumberText(edit_->text().toStdString(), parsed)) {
        QMessageBox::warning(this, QStringLiteral("KORVANE"),
                             QStringLiteral("Please enter a number."));
        edit_->setFocus();
        return;
    }
    *value_ = parsed;
    QDialog::accept();
}

}  // namespace velmora
