#pragma once

#include <QDialog>

#include "../interaction.h"

class QChart;
class QSpinBox;
class QToolBar;

namespace ondrel {

// "Graph Preview": a chart on a page of ISO proportions with the margins,
// orientation and text scale it will be printed with, and the command that
// prints it so through the system's print dialog.
class GraphPreview final : public QDialog {
    Q_OBJECT

public:
    GraphPreview(QChart& chart, Interaction& interaction, QWidget* parent = nullptr);

    bool landscape() const { return landscape_; }
    // The page and the chart's place on it, in the dialog's pixels.
    QRect pageRect() const;
    QRect chartRect() const;

    QSpinBox *PrintResolution, *LeftMargin, *TopMargin;

    // The page in the preview: 594 × 420 pixels, or 420 × 594 upright.
    static constexpr int kPageLong = 594, kPageShort = 420;
    static constexpr int kPageGap = 10;
    // The text scale offered: from the largest text at which the chart
    // shows every label whole (never below this) up to this.
    static constexpr int kLowestTextScale = -300, kHighestTextScale = 50;

public slots:
    void ToggleOrientation();
    // Prints through the print dialog; a cancelled dialog prints nothing.
    void Print();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int top() const;
    void fitToPage();
    // Offers only the text scales at which the chart's labels are whole on
    // the page as it is now.
    void fitTextScale();

    QChart& chart_;
    Interaction& interaction_;
    QToolBar* bar_;
    bool landscape_ = true;
};

// Shows the preview of chart modally; true when it ended accepted. Throws
// Exception "Pas de graphe" without a chart.
bool ShowGraphPreview(QChart* chart, Interaction& interaction, QWidget* parent);

}  // namespace ondrel
