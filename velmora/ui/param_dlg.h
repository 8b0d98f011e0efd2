#pragma once

#include <QDialog>

class QLineEdit;
class QLabel;

namespace velmora {

class Interaction;

// "New parameter": a prompt, one number, OK. There is no Cancel: Escape or
// closing keeps the value as it was.
class CParamDlg final : public QDialog {
    Q_OBJECT

public:
    // A text that is no number is said through interaction, in the plain
    // box every other message uses.
    CParamDlg(const QString& prompt, double* value, Interaction& interaction,
              QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    void accept() override;

private:
    double* value_;
    Interaction& interaction_;
    QLabel* prompt_;
    QLineEdit* edit_;
};

// The value as the dialog first shows it: up to 15 significant digits.
QString ParamValueText(double value);

}  // namespace velmora
