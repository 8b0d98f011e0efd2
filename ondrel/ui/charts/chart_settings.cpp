#include "chart_settings.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../pictures/chart_picture.h"
#include "../qt_text.h"
#include "axis_scaling.h"
#include "chart_panel.h"

namespace ondrel {

namespace {

template <typename Widget>
Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

const std::vector<std::pair<QString, Qt::Alignment>> kLegendPlaces = {
    {QStringLiteral("Bottom"), Qt::AlignBottom},
    {QStringLiteral("Top"), Qt::AlignTop},
    {QStringLiteral("Left"), Qt::AlignLeft},
    {QStringLiteral("Right"), Qt::AlignRight}};

QString axisName(const QValueAxis* axis) {
    switch (axis->alignment()) {
        case Qt::AlignBottom:
            return QStringLiteral("Bottom");
        case Qt::AlignTop:
            return QStringLiteral("Top");
        case Qt::AlignRight:
            return QStringLiteral("Right");
        default:
            return QStringLiteral("Left");
    }
}

void setSwatch(QPushButton* button, const QColor& color) {
    button->setText(color.name());
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; }")
                              .arg(color.name(), color.lightness() > 128 ? "black" : "white"));
}

}  // namespace

ChartSettings::ChartSettings(ChartPanel& panel, Interaction& interaction, char separator,
                             QWidget* parent)
    : QDialog(parent), panel_(panel), interaction_(interaction), separator_(separator) {
    setObjectName(QStringLiteral("ChartSettings"));
    setWindowTitle(QStringLiteral("Chart settings"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildChartBox());
    layout->addWidget(buildAxesBox());
    layout->addWidget(buildSeriesBox(), 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy =
        named(buttons->addButton(QStringLiteral("Copy to clipboard"), QDialogButtonBox::ActionRole),
              QStringLiteral("CopyChart"));
    QPushButton* save =
        named(buttons->addButton(QStringLiteral("Export..."), QDialogButtonBox::ActionRole),
              QStringLiteral("ExportChart"));
    QPushButton* close =
        named(buttons->addButton(QDialogButtonBox::Close), QStringLiteral("CloseSettings"));
    connect(copy, &QPushButton::clicked, this, [this] { CopyChart(*panel_.chart()); });
    connect(save, &QPushButton::clicked, this,
            [this] { ExportChart(*panel_.chart(), interaction_); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Enter confirms the field it is typed in and nothing else: no button
    // (the colour swatch, the copy, the close) is pressed by it.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
}

QWidget* ChartSettings::buildChartBox() {
    QChart* chart = panel_.chart();
    auto* box = new QGroupBox(QStringLiteral("Chart"), this);
    auto* form = new QFormLayout(box);
    auto* title = named(new QLineEdit(chart->title(), box), QStringLiteral("ChartTitle"));
    connect(title, &QLineEdit::textChanged, chart, &QChart::setTitle);
    form->addRow(QStringLiteral("Title"), title);

    auto* legend = new QHBoxLayout;
    auto* shown = named(new QCheckBox(QStringLiteral("Show the legend"), box),
                        QStringLiteral("LegendVisible"));
    shown->setChecked(chart->legend()->isVisible());
    auto* place = named(new QComboBox(box), QStringLiteral("LegendAlignment"));
    for (const auto& [name, alignment] : kLegendPlaces) {
        place->addItem(name);
        if (chart->legend()->alignment() == alignment)
            place->setCurrentIndex(place->count() - 1);
    }
    connect(shown, &QCheckBox::toggled, chart,
            [chart](bool on) { chart->legend()->setVisible(on); });
    connect(place, &QComboBox::currentIndexChanged, this, [chart](int index) {
        chart->legend()->setAlignment(kLegendPlaces[static_cast<std::size_t>(index)].second);
    });
    legend->addWidget(shown);
    legend->addWidget(place);
    legend->addStretch();
    form->addRow(QStringLiteral("Legend"), legend);
    return box;
}

QWidget* ChartSettings::buildAxesBox() {
    auto* box = new QGroupBox(QStringLiteral("Axes"), this);
    auto* grid = new QGridLayout(box);
    int column = 1;
    for (const QString& heading :
         {QStringLiteral("Title"), QStringLiteral("Automatic"), QStringLiteral("From"),
          QStringLiteral("To"), QStringLiteral("Grid")})
        grid->addWidget(new QLabel(heading, box), 0, column++);
    int row = 1;
    for (QAbstractAxis* abstract : panel_.chart()->axes()) {
        auto* axis = qobject_cast<QValueAxis*>(abstract);
        if (!axis || !axis->isVisible())
            continue;
        const QString n = QString::number(row - 1);
        AxisRow r{axis,
                  named(new QLineEdit(axis->titleText(), box), "AxisTitle" + n),
                  named(new QLineEdit(box), "AxisMin" + n),
                  named(new QLineEdit(box), "AxisMax" + n),
                  named(new QCheckBox(box), "AxisAuto" + n),
                  named(new QCheckBox(box), "AxisGrid" + n)};
        r.grid->setChecked(axis->isGridLineVisible());
        r.automatic->setChecked(IsAutomatic(*axis));
        grid->addWidget(new QLabel(axisName(axis), box), row, 0);
        grid->addWidget(r.title, row, 1);
        grid->addWidget(r.automatic, row, 2, Qt::AlignCenter);
        grid->addWidget(r.min, row, 3);
        grid->addWidget(r.max, row, 4);
        grid->addWidget(r.grid, row, 5, Qt::AlignCenter);
        connect(r.title, &QLineEdit::textChanged, axis, &QValueAxis::setTitleText);
        connect(r.grid, &QCheckBox::toggled, axis, [axis](bool on) {
            axis->setGridLineVisible(on);
            axis->setMinorGridLineVisible(false);
        });
        connect(r.automatic, &QCheckBox::toggled, this, [this, r](bool on) {
            SetAutomatic(*r.axis, on);
            if (on)
                FitAxis(*panel_.chart(), *r.axis);
            showAxis(r);
        });
        connect(r.min, &QLineEdit::editingFinished, this, [this, r] { applyRange(r); });
        connect(r.max, &QLineEdit::editingFinished, this, [this, r] { applyRange(r); });
        connect(axis, &QValueAxis::rangeChanged, this, [this, r] { showAxis(r); });
        if (AxisScaling* scaling = ScalingOf(*axis))
            connect(scaling, &AxisScaling::automaticChanged, this, [this, r] { showAxis(r); });
        showAxis(r);
        axes_.push_back(r);
        ++row;
    }
    return box;
}

void ChartSettings::showAxis(const AxisRow& row) {
    // The axis may have become automatic (the Auto button) or fixed (a zoom)
    // while the dialog is open.
    const bool automatic = IsAutomatic(*row.axis);
    {
        const QSignalBlocker block(row.automatic);
        row.automatic->setChecked(automatic);
    }
    row.min->setEnabled(!automatic);
    row.max->setEnabled(!automatic);
    for (auto [edit, value] :
         {std::pair{row.min, row.axis->min()}, std::pair{row.max, row.axis->max()}})
        if (!edit->hasFocus())
            edit->setText(ToQString(FloatToGeneral(value, 6, separator_)));
}

void ChartSettings::applyRange(const AxisRow& row) {
    if (row.automatic->isChecked())
        return;
    try {
        const double min = TextToFloat(row.min->text().toStdString(), separator_);
        const double max = TextToFloat(row.max->text().toStdString(), separator_);
        if (!(min < max))
            throw Exception("The axis must run from a smaller to a larger value");
        row.axis->setRange(min, max);
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
    }
    row.min->clearFocus();
    row.max->clearFocus();
    showAxis(row);
}

void ChartSettings::FitAxis(QChart& chart, QValueAxis& axis) {
    const bool horizontal = axis.orientation() == Qt::Horizontal;
    bool any = false;
    double low = 0, high = 0;
    for (QAbstractSeries* abstract : chart.series()) {
        auto* series = qobject_cast<QXYSeries*>(abstract);
        if (!series || !series->isVisible() || !series->attachedAxes().contains(&axis))
            continue;
        for (const QPointF& p : series->points()) {
            const double v = horizontal ? p.x() : p.y();
            if (!any)
                low = high = v;
            any = true;
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    if (!any)
        return;
    const double margin = horizontal ? 0 : (high - low) * 0.05;
    if (high - low + 2 * margin <= 0)
        SetAutomaticRange(axis, low - 1, high + 1, false);
    else
        SetAutomaticRange(axis, low - margin, high + margin, true);
}

QWidget* ChartSettings::buildSeriesBox() {
    auto* box = new QGroupBox(QStringLiteral("Series"), this);
    auto* layout = new QHBoxLayout(box);
    seriesList_ = named(new QListWidget(box), QStringLiteral("SeriesList"));
    for (QAbstractSeries* abstract : panel_.chart()->series()) {
        auto* series = qobject_cast<QXYSeries*>(abstract);
        if (!series || (series->name().isEmpty() && series->count() == 0))
            continue;
        series_.push_back(series);
        seriesList_->addItem(series->name().isEmpty() ? QStringLiteral("(no title)")
                                                      : series->name());
    }
    layout->addWidget(seriesList_, 1);

    auto* form = new QFormLayout;
    seriesVisible_ =
        named(new QCheckBox(QStringLiteral("Shown"), box), QStringLiteral("SeriesVisible"));
    seriesTitle_ = named(new QLineEdit(box), QStringLiteral("SeriesTitle"));
    seriesColor_ = named(new QPushButton(box), QStringLiteral("SeriesColor"));
    seriesWidth_ = named(new QSpinBox(box), QStringLiteral("SeriesWidth"));
    seriesWidth_->setRange(0, 10);
    seriesMarks_ =
        named(new QCheckBox(QStringLiteral("Point marks"), box), QStringLiteral("SeriesMarks"));
    seriesStyle_ = named(new QComboBox(box), QStringLiteral("SeriesStyle"));
    seriesStyle_->addItems({QStringLiteral("Line"), QStringLiteral("Points only")});
    form->addRow(seriesVisible_);
    form->addRow(QStringLiteral("Title"), seriesTitle_);
    form->addRow(QStringLiteral("Colour"), seriesColor_);
    form->addRow(QStringLiteral("Line width"), seriesWidth_);
    form->addRow(seriesMarks_);
    form->addRow(QStringLiteral("Style"), seriesStyle_);
    layout->addLayout(form);

    connect(seriesList_, &QListWidget::currentRowChanged, this, &ChartSettings::showSeries);
    connect(seriesVisible_, &QCheckBox::toggled, this, [this](bool on) {
        if (QXYSeries* s = current())
            s->setVisible(on);
    });
    connect(seriesTitle_, &QLineEdit::textEdited, this, [this](const QString& title) {
        if (QXYSeries* s = current()) {
            s->setName(title);
            seriesList_->currentItem()->setText(title);
        }
    });
    connect(seriesColor_, &QPushButton::clicked, this, [this] {
        QXYSeries* s = current();
        if (!s)
            return;
        const QColor chosen = interaction_.chooseColor(s->color());
        if (!chosen.isValid())
            return;
        s->setColor(chosen);
        setSwatch(seriesColor_, chosen);
    });
    connect(seriesWidth_, &QSpinBox::valueChanged, this, [this](int width) {
        QXYSeries* s = current();
        if (!s || qobject_cast<QScatterSeries*>(s))
            return;
        QPen pen = s->pen();
        pen.setWidth(width);
        if (seriesStyle_->currentIndex() == 0)
            s->setPen(pen);
    });
    connect(seriesMarks_, &QCheckBox::toggled, this, [this](bool on) {
        if (QXYSeries* s = current())
            s->setPointsVisible(on);
    });
    connect(seriesStyle_, &QComboBox::currentIndexChanged, this, [this](int style) {
        QXYSeries* s = current();
        if (!s || qobject_cast<QScatterSeries*>(s))
            return;
        QPen pen = s->pen();
        if (style == 1) {
            s->setPointsVisible(true);
            pen.setStyle(Qt::NoPen);
        } else {
            pen.setStyle(Qt::SolidLine);
            pen.setWidth(seriesWidth_->value());
        }
        s->setPen(pen);
        seriesMarks_->setChecked(s->pointsVisible());
    });
    if (!series_.empty())
        seriesList_->setCurrentRow(0);
    else
        showSeries(-1);
    return box;
}

QXYSeries* ChartSettings::current() const {
    const int row = seriesList_->currentRow();
    return row >= 0 && row < static_cast<int>(series_.size())
               ? series_[static_cast<std::size_t>(row)]
               : nullptr;
}

void ChartSettings::showSeries(int row) {
    QXYSeries* s = row >= 0 && row < static_cast<int>(series_.size())
                       ? series_[static_cast<std::size_t>(row)]
                       : nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{seriesVisible_, seriesTitle_, seriesColor_,
                                                      seriesWidth_, seriesMarks_, seriesStyle_})
        w->setEnabled(s != nullptr);
    if (!s)
        return;
    const QSignalBlocker a(seriesVisible_), b(seriesTitle_), c(seriesWidth_), d(seriesMarks_),
        e(seriesStyle_);
    seriesVisible_->setChecked(s->isVisible());
    seriesTitle_->setText(s->name());
    setSwatch(seriesColor_, s->color());
    const bool scatter = qobject_cast<QScatterSeries*>(s) != nullptr;
    seriesWidth_->setEnabled(!scatter);
    seriesStyle_->setEnabled(!scatter);
    seriesWidth_->setValue(s->pen().width());
    seriesMarks_->setChecked(s->pointsVisible());
    seriesStyle_->setCurrentIndex(!scatter && s->pen().style() == Qt::NoPen ? 1 : 0);
}

}  // namespace ondrel
