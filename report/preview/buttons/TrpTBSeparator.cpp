// TrpTBSeparator painting.
#include "TrpTBSeparator.h"

#include <QPainter>

namespace report {

TrpTBSeparator::TrpTBSeparator(QWidget* parent) : QWidget(parent) {
    resize(kDefaultSize, kDefaultSize);
}

void TrpTBSeparator::SetDrawBevel(bool on) {
    drawBevel_ = on;
    update();
}

void TrpTBSeparator::SetAlign(TrpToolbarAlign align) {
    align_ = align;
    update();
}

void TrpTBSeparator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (!drawBevel_)
        return;
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    if (align_ == TrpToolbarAlign::Left) {
        const int x = width() / 2 - 1;
        const int top = kBevelInset, bottom = height() - 1 - kBevelInset;
        painter.setPen(shadow);
        painter.drawLine(x, top, x, bottom);
        painter.setPen(light);
        painter.drawLine(x + 1, top, x + 1, bottom);
    } else {
        const int y = height() / 2 - 1;
        const int left = kBevelInset, right = width() - 1 - kBevelInset;
        painter.setPen(shadow);
        painter.drawLine(left, y, right, y);
        painter.setPen(light);
        painter.drawLine(left, y + 1, right, y + 1);
    }
}

} // namespace report
