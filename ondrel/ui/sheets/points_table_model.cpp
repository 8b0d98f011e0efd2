#include "points_table_model.h"

#include "../../runs/run_tables.h"
#include "../qt_text.h"

namespace ondrel {

PointsTableModel::PointsTableModel(char separator, QObject* parent)
    : QAbstractTableModel(parent), separator_(separator) {}

void PointsTableModel::setPoints(std::vector<CVpoint> points) {
    beginResetModel();
    points_ = std::move(points);
    endResetModel();
}

int PointsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(points_.size(), INT_MAX));
}

int PointsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant PointsTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    return ToQString(SimulatedGridCell(points_[row], row, index.column(), separator_));
}

QVariant PointsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section > 2)
        return {};
    return QString::fromUtf8(kSimulatedGridHeader[section]);
}

}  // namespace ondrel
