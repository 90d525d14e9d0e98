// TResultGridView: widths, fixed headers and the painted corner cell.
#include "ResultGridView.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

namespace morvane {

TResultGridView::TResultGridView(const TResultGrid& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new TResultGridModel(grid, this)) {
    setObjectName(QStringLiteral("StringGrid1"));
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setSectionsMovable(true);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(TResultGrid::kDefaultRowHeight);
    horizontalHeader()->setFixedHeight(TResultGrid::kDefaultRowHeight + 4);
    // The corner button normally selects all cells; here it shows the
    // header text of the number column.
    setCornerButtonEnabled(false);
    if (auto* corner = findChild<QAbstractButton*>())
        corner->installEventFilter(this);
    Refresh();
}

void TResultGridView::Refresh() {
    model_->Refresh();
    verticalHeader()->setFixedWidth(grid_.ColWidth(0));
    for (int c = 1; c < grid_.ColCount(); ++c)
        setColumnWidth(c - 1, grid_.ColWidth(c));
    if (auto* corner = findChild<QAbstractButton*>())
        corner->update();
}

bool TResultGridView::eventFilter(QObject* watched, QEvent* event) {
    auto* corner = qobject_cast<QAbstractButton*>(watched);
    if (corner == nullptr || event->type() != QEvent::Paint)
        return QTableView::eventFilter(watched, event);
    QStyleOptionHeader opt;
    opt.initFrom(corner);
    // The corner only refuses clicks; it is drawn like an enabled header.
    opt.state |= QStyle::State_Enabled;
    opt.palette = palette();
    opt.palette.setCurrentColorGroup(QPalette::Active);
    opt.rect = corner->rect();
    opt.position = QStyleOptionHeader::OnlyOneSection;
    opt.text = model_->CellText(0, 0);
    opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QPainter painter(corner);
    corner->style()->drawControl(QStyle::CE_Header, &opt, &painter, corner);
    return true;
}

} // namespace morvane
