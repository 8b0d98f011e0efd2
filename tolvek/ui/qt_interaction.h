#pragma once

#include "interaction.h"

class QWidget;

namespace tolvek {

// The real dialogs.
class QtInteraction final : public Interaction {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    void showMessage(const QString& caption, const QString& text) override;
    QString getOpenFileName(const OpenFileRequest& request) override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace tolvek
