#pragma once

#include "../platform/interaction.h"

class QWidget;

namespace velmora {

// The real dialogs, owned by the view, captioned "KORVANE".
class QtInteraction final : public Interaction {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    void MessageBox(const std::string& text) override;
    void EditNumber(const std::string& prompt, double& value) override;
    std::optional<std::string> SaveFileName(const std::string& caption, const std::string& filter,
                                            const std::string& defaultSuffix) override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace velmora
