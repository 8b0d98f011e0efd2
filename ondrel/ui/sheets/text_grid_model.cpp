#include "text_grid_model.h"

#include <algorithm>
#include "../qt_text.h"

namespace ondrel {

TextGridModel::TextGridModel(Rows rows, QObject* parent) : QAbstractTableModel(parent) {
    setRows(std::move(rows));
}

void TextGridModel::Show(TextGridModel* model, QTableView* view) {
    view->setModel(model);
    connect(model, &QAbstractItemModel::modelReset, view, &QTableView::resizeColumnsToContents);
    view->resizeColumnsToContents();
}

void TextGridModel::setRows(Rows rows) {
    beginResetModel();
    rows_ = std::move(rows);
    columns_ = 0;
    for (const auto& row : rows_)
        columns_ = std::max(columns_, static_cast<int>(row.size()));
    endResetModel();
}

int TextGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || rows_.empty() ? 0 : static_cast<int>(rows_.size() - 1);
}

int TextGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant TextGridModel::cell(std::size_t row, int column) const {
    if (row >= rows_.size() || column < 0 || static_cast<std::size_t>(column) >= rows_[row].size())
        return {};
    return ToQString(rows_[row][static_cast<std::size_t>(column)]);
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return cell(static_cast<std::size_t>(index.row()) + 1, index.column());
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return cell(0, section);
}

}  // namespace ondrel
