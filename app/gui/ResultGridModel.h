// TResultGridModel: presents the result grid's row model (TResultGrid) to a
// Qt table view. Grid row 0 (the header texts) becomes the horizontal
// header, grid column 0 (the row numbers) the vertical header, so both stay
// in view while the cells scroll; grid cell (c, r) with c, r >= 1 is model
// cell (r - 1, c - 1). Cell bytes are shown decoded as Windows-1252.
//
// The model does not watch the grid: the owner calls Refresh() after every
// action that may have changed it.
#pragma once

#include "ResultGrid.h"

#include <QAbstractTableModel>

namespace morvane {

class TResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TResultGridModel(const TResultGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Text of grid cell (col, row) as shown, the fixed row and column
    // included (cell (0, 0) is the corner).
    QString CellText(int col, int row) const;

    void Refresh();

private:
    const TResultGrid& grid_;
};

} // namespace morvane
