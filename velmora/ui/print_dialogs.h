#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace velmora {

// The modal print dialogs, behind an interface so that tests can answer
// them in place of a person.
class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;
    // The print dialog; true when the user chose to print.
    virtual bool Print(QPrinter& printer) = 0;
    // The print preview, which paints its pages through paint.
    virtual void Preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) = 0;
    // Page setup; true when the user accepted it.
    virtual bool PageSetup(QPrinter& printer) = 0;
};

// Qt's print dialog, print preview and page setup.
class QtPrintDialogs final : public PrintDialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    bool Print(QPrinter& printer) override;
    void Preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;
    bool PageSetup(QPrinter& printer) override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace velmora
