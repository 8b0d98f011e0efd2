#pragma once

#include <QObject>

#include "interaction.h"

namespace ondrel {

class ChartPanel;
class TForm1;

// The commands that change only how the charts are shown: flipping the
// voltammogram's axes, giving one chart panel the whole column, the 3D
// look, zooming by steps, the print preview and the chart settings.
class ChartViewCommands final : public QObject {
    Q_OBJECT

public:
    ChartViewCommands(TForm1& form, Interaction& interaction, char separator);

    // The voltammogram panel's height when it was last enlarged.
    int rememberedHeight() const { return rememberedHeight_; }

    // The zoom of a spin button's arrows: the lower one zooms in by
    // 100/95 %, the upper one out by 95 %, each the other's inverse.
    static constexpr double kZoomIn = 100.0 / 95.0;
    static constexpr double kZoomOut = 0.95;

public slots:
    void FlipPotentialAxis();
    void FlipCurrentAxis();
    void ZoomVoltammogram(bool down);
    void ZoomProfiles(bool down);
    void Toggle3D(ChartPanel* panel);
    void Zoom(ChartPanel* panel, double factor);
    void Preview(ChartPanel* panel);
    void EditChart(ChartPanel* panel);

private:
    TForm1& form_;
    Interaction& interaction_;
    const char separator_;
    int rememberedHeight_ = 0;
};

}  // namespace ondrel
