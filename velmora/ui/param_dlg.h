#pragma once

#include <QDialog>

class QLineEdit;
class QLabel;

namespace velmora {

// "New parameter": a prompt, one number, OK. There is no Cancel: Escape or
// closing keeps the value as it was.
class CParamDlg final : public QDialog {
    Q_OBJECT

public:
    CParamDlg(const QString& prompt, double* value, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    void accept() override;

private:
    double* value_;
    QLabel* prompt_;
    QLineEdit* edit_;
};

// The value as the dialog first shows it: up to 15 significant digits.
QString ParamValueText(double value);

}  // namespace velmora
