// TResultGridView: the text grid StringGrid1 of the validation window. It
// shows a TResultGrid through TResultGridModel with the header row and the
// number column fixed, the grid's column widths (column 0 is the width of
// the vertical header) and its default row height. The corner above the
// number column shows the header text of grid cell (0, 0).
//
// The user may resize and move columns and rows and select cells; nothing
// depends on it, and the next Refresh() restores the grid's widths.
#pragma once

#include "ResultGrid.h"
#include "ResultGridModel.h"

#include <QTableView>

namespace morvane {

class TResultGridView : public QTableView {
    Q_OBJECT
public:
    TResultGridView(const TResultGrid& grid, QWidget* parent = nullptr);

    TResultGridModel& Model() { return *model_; }
    // Re-reads the row model: rows, columns, texts and widths.
    void Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const TResultGrid& grid_;
    TResultGridModel* model_;
};

} // namespace morvane
