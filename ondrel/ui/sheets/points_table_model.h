#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "../../engine/cv_point.h"

namespace ondrel {

// The simulated-data grid as a table model over the points: a view asks
// only for the rows it shows, so a run of millions of points fills it at
// once.
class PointsTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    PointsTableModel(char separator, QObject* parent = nullptr);

    void setPoints(std::vector<CVpoint> points);
    const std::vector<CVpoint>& points() const { return points_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const char separator_;
    std::vector<CVpoint> points_;
};

}  // namespace ondrel
