#pragma once

#include <QObject>

#include "../interaction.h"

class QSplitter;
class QWidget;

namespace ondrel {

class ChartPanel;

// The commands that change only how the charts are shown: flipping the
// voltammogram's axes, giving one chart panel the whole column, the 3D
// look, zooming by steps, the print preview and the chart settings.
class ChartViewCommands final : public QObject {
    Q_OBJECT

public:
    // The charts whose tool bars the commands serve, and the column that
    // holds the voltammogram and profile panels.
    struct Widgets {
        ChartPanel *voltammogram, *profiles, *pilot;
        QSplitter* column;
        QWidget* window;  // the parent of the dialogs
    };

    ChartViewCommands(const Widgets& widgets, Interaction& interaction, char separator,
                      QObject* parent = nullptr);

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
    void wireButtons();
    void wireZoomArrows();

    const Widgets w_;
    Interaction& interaction_;
    const char separator_;
    int rememberedHeight_ = 0;
};

}  // namespace ondrel
