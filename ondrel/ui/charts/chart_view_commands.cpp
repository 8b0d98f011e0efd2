#include "chart_view_commands.h"

#include <QChart>
#include <QSplitter>
#include <QToolButton>
#include <QValueAxis>

#include "../pictures/print_preview.h"
#include "../qt_text.h"
#include "chart_panel.h"
#include "chart_settings.h"

namespace ondrel {

ChartViewCommands::ChartViewCommands(const Widgets& widgets, Interaction& interaction,
                                     char separator, QObject* parent)
    : QObject(parent), w_(widgets), interaction_(interaction), separator_(separator) {
    wireButtons();
    wireZoomArrows();
    // Both charts start in their 3D look, as their buttons show.
    w_.voltammogram->set3D(true);
    w_.profiles->set3D(true);
}

void ChartViewCommands::wireButtons() {
    ChartPanel* voltammogram = w_.voltammogram;
    ChartPanel* profiles = w_.profiles;
    ChartPanel* pilot = w_.pilot;
    auto wire = [this](ChartPanel* panel, const char* name, auto slot) {
        connect(panel->button(name), &QToolButton::clicked, this, slot);
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
}

void ChartViewCommands::wireZoomArrows() {
    for (auto [panel, name] :
         {std::pair{w_.voltammogram, "RxZoomButton1"}, std::pair{w_.profiles, "RxZoomButton2"}}) {
        for (bool up : {true, false})
            connect(panel->arrow(name, up), &QToolButton::clicked, this,
                    [this, panel, up] { Zoom(panel, up ? kZoomOut : kZoomIn); });
    }
}

void ChartViewCommands::FlipPotentialAxis() {
    QValueAxis* axis = w_.voltammogram->xAxis();
    axis->setReverse(!axis->isReverse());
}

void ChartViewCommands::FlipCurrentAxis() {
    QValueAxis* axis = w_.voltammogram->yAxis();
    axis->setReverse(!axis->isReverse());
}

void ChartViewCommands::ZoomVoltammogram(bool down) {
    QSplitter* column = w_.column;
    if (down) {
        rememberedHeight_ = w_.voltammogram->height();
        w_.profiles->hide();
        return;
    }
    w_.profiles->show();
    const int total = column->height() - column->handleWidth();
    column->setSizes({rememberedHeight_, total - rememberedHeight_});
}

void ChartViewCommands::ZoomProfiles(bool down) {
    w_.voltammogram->setVisible(!down);
}

void ChartViewCommands::Toggle3D(ChartPanel* panel) {
    panel->set3D(!panel->is3D());
    // The voltammogram's button shows the look; the profile chart's button
    // keeps its own two states.
    if (panel == w_.voltammogram)
        panel->button("Toggle3D1Button97")->setChecked(panel->is3D());
}

void ChartViewCommands::Zoom(ChartPanel* panel, double factor) {
    panel->chart()->zoom(factor);
}

void ChartViewCommands::Preview(ChartPanel* panel) {
    try {
        ShowGraphPreview(panel ? panel->chart() : nullptr, interaction_, w_.window);
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
    }
}

void ChartViewCommands::EditChart(ChartPanel* panel) {
    ChartSettings settings(*panel, interaction_, separator_, w_.window);
    interaction_.runDialog(settings);
}

}  // namespace ondrel
