#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <string>
#include <vector>

namespace ondrel {

// A grid of texts whose first row is its header: the curve, peak and
// derivative grids. A view asks only for the rows it shows, so a curve of
// any length fills its grid at once.
class TextGridModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // Shows the model in view, its columns as wide as their texts each time
    // the rows change, so that none is cut.
    static void Show(TextGridModel* model, QTableView* view);

    using Rows = std::vector<std::vector<std::string>>;

    explicit TextGridModel(Rows rows, QObject* parent = nullptr);

    // The header row, then the data rows; the widest row sets the columns.
    void setRows(Rows rows);
    const Rows& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVariant cell(std::size_t row, int column) const;

    Rows rows_;
    int columns_ = 0;
};

}  // namespace ondrel
