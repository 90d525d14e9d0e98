// TResultGridModel: the row model mapped onto model cells and headers.
#include "ResultGridModel.h"

#include "Win1252.h"

namespace morvane {

TResultGridModel::TResultGridModel(const TResultGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

int TResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RowCount() - 1;
}

int TResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount() - 1;
}

QString TResultGridModel::CellText(int col, int row) const {
    return TWin1252::Decode(grid_.Cell(col, row));
}

QVariant TResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return CellText(index.column() + 1, index.row() + 1);
}

QVariant TResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return CellText(section + 1, 0);
    return CellText(0, section + 1);
}

void TResultGridModel::Refresh() {
    beginResetModel();
    endResetModel();
}

} // namespace morvane
