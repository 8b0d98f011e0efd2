#include "chart_view_commands.h"

#include <QChart>
#include <QSplitter>
#include <QToolButton>
#include <QValueAxis>

#include "chart_panel.h"
#include "chart_settings.h"
#include "print_preview.h"
#include "tform1.h"

namespace ondrel {

ChartViewCommands::ChartViewCommands(TForm1& form, Interaction& interaction, char separator)
    : QObject(&form), form_(form), interaction_(interaction), separator_(separator) {
    ChartPanel* voltammogram = form_.VoltamogramPanel;
    ChartPanel* profiles = form_.ConcProfilPanel;
    ChartPanel* pilot = form_.PilotChartPanel;
    auto wire = [this](ChartPanel* panel, const char* name, auto slot) {
        QToolButton* button = panel->button(name);
        button->setEnabled(true);
        connect(button, &QToolButton::clicked, this, slot);
    };
    wire(voltammogram, "FlipAxisButton97", [this] { FlipPotentialAxis(); });
    wire(voltammogram, "ToolbarButton973", [this] { FlipCurrentAxis(); });
    wire(voltammogram, "ZoomVoltamogramButton97", [this](bool down) { ZoomVoltammogram(down); });
    wire(profiles, "ZoomConcentrationButton97", [this](bool down) { ZoomProfiles(down); });
    wire(voltammogram, "Toggle3D1Button97", [this, voltammogram] { Toggle3D(voltammogram); });
    wire(profiles, "Toggle3D2Button97", [this, profiles] { Toggle3D(profiles); });
    wire(voltammogram, "PrintVoltamogramButton97", [this, voltammogram] { Preview(voltammogram); });
    wire(profiles, "PrintConcProfilesButton97", [this, profiles] { Preview(profiles); });
    wire(voltammogram, "EditVoltamogramsSeries", [this, voltammogram] { EditChart(voltammogram); });
    wire(profiles, "GraphProperties2Button97", [this, profiles] { EditChart(profiles); });
    wire(pilot, "ToolbarButton974", [this, pilot] { EditChart(pilot); });
    for (auto [panel, name] :
         {std::pair{voltammogram, "RxZoomButton1"}, std::pair{profiles, "RxZoomButton2"}}) {
        for (bool up : {true, false}) {
            QToolButton* arrow = panel->arrow(name, up);
            arrow->setEnabled(true);
            connect(arrow, &QToolButton::clicked, this,
                    [this, panel, up] { Zoom(panel, up ? kZoomOut : kZoomIn); });
        }
    }
    // Both charts start in their 3D look, as their buttons show.
    voltammogram->set3D(true);
    profiles->set3D(true);
}

void ChartViewCommands::FlipPotentialAxis() {
    QValueAxis* axis = form_.VoltamogramPanel->xAxis();
    axis->setReverse(!axis->isReverse());
}

void ChartViewCommands::FlipCurrentAxis() {
    QValueAxis* axis = form_.VoltamogramPanel->yAxis();
    axis->setReverse(!axis->isReverse());
}

void ChartViewCommands::ZoomVoltammogram(bool down) {
    QSplitter* column = form_.Splitter2;
    if (down) {
        rememberedHeight_ = form_.VoltamogramPanel->height();
        form_.ConcProfilPanel->hide();
        return;
    }
    form_.ConcProfilPanel->show();
    const int total = column->height() - column->handleWidth();
    column->setSizes({rememberedHeight_, total - rememberedHeight_});
}

void ChartViewCommands::ZoomProfiles(bool down) {
    form_.VoltamogramPanel->setVisible(!down);
}

void ChartViewCommands::Toggle3D(ChartPanel* panel) {
    panel->set3D(!panel->is3D());
    // The voltammogram's button shows the look; the profile chart's button
    // keeps its own two states.
    if (panel == form_.VoltamogramPanel)
        panel->button("Toggle3D1Button97")->setChecked(panel->is3D());
}

void ChartViewCommands::Zoom(ChartPanel* panel, double factor) {
    panel->chart()->zoom(factor);
}

void ChartViewCommands::Preview(ChartPanel* panel) {
    try {
        ShowGraphPreview(panel ? panel->chart() : nullptr, interaction_, &form_);
    } catch (const std::exception& error) {
        interaction_.showError(QString::fromStdString(error.what()));
    }
}

void ChartViewCommands::EditChart(ChartPanel* panel) {
    ChartSettings settings(*panel, interaction_, separator_, &form_);
    interaction_.runDialog(settings);
}

}  // namespace ondrel
