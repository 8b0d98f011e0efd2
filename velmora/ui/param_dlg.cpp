#include "param_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "../platform/format_text.h"
#include "../platform/interaction.h"

namespace velmora {

QString ParamValueText(double value) {
    return QString::fromStdString(FormatText("%.*g", 15, value));
}

// Dialog units of an 8-point font: about 1.5 pixels across, 1.625 down.
CParamDlg::CParamDlg(const QString& prompt, double* value, Interaction& interaction,
                     QWidget* parent)
    : QDialog(parent), value_(value), interaction_(interaction) {
    setWindowTitle(QStringLiteral("New parameter"));
    prompt_ = new QLabel(prompt, this);
    prompt_->setAlignment(Qt::AlignCenter);
    prompt_->setWordWrap(true);
    // The prompt keeps its width and takes the height its text needs; the
    // field and OK move down by what it grew.
    const int promptHeight = std::max(39, prompt_->heightForWidth(269));
    const int grown = promptHeight - 39;
    prompt_->setGeometry(52, 21, 269, promptHeight);
    setFixedSize(362, 101 + grown);
    edit_ = new QLineEdit(ParamValueText(*value), this);
    edit_->setGeometry(33, 63 + grown, 159, 26);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(246, 66 + grown, 75, 23);
    connect(ok, &QPushButton::clicked, this, &CParamDlg::accept);
    edit_->selectAll();
}

void CParamDlg::accept() {
    double parsed = 0;
    if (!ParseNumberText(edit_->text().toStdString(), parsed)) {
        interaction_.MessageBox("Please enter a number.");
        edit_->setFocus();
        return;
    }
    *value_ = parsed;
    QDialog::accept();
}

}  // namespace velmora
