// Toolbar pictures of the preview.
#include "TrpPreviewIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace report {
namespace {

constexpr int kIconSize = 18;
constexpr int kArrowWidth = 8, kArrowHeight = 6;
// The background colour that the buttons treat as transparent.
const QColor kIconKey(255, 0, 255);

void DrawPage(QPainter& p) {
    p.setPen(QColor(40, 40, 40));
    p.setBrush(Qt::white);
    p.drawRect(4, 2, 10, 13);
}

void DrawIcon(QPainter& p, TrpPreviewIcon icon) {
    p.setPen(QColor(40, 40, 40));
    switch (icon) {
    case TrpPreviewIcon::Open:
        p.setBrush(QColor(230, 190, 70));
        p.drawRect(1, 5, 15, 10);
        p.drawRect(1, 3, 6, 2);
        break;
    case TrpPreviewIcon::Save:
        p.setBrush(QColor(40, 80, 170));
        p.drawRect(2, 2, 13, 13);
        p.fillRect(5, 3, 7, 5, Qt::white);
        p.fillRect(5, 11, 7, 4, QColor(200, 200, 200));
        break;
    case TrpPreviewIcon::Print:
    case TrpPreviewIcon::PageSetup:
        DrawPage(p);
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(1, 8, 15, 6);
        p.fillRect(12, 10, 2, 2, QColor(40, 200, 40));
        break;
    case TrpPreviewIcon::Find:
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(QColor(170, 220, 255));
        p.drawEllipse(2, 2, 9, 9);
        p.drawLine(10, 10, 15, 15);
        break;
    case TrpPreviewIcon::Help: {
        QFont font = p.font();
        font.setPixelSize(15);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(20, 60, 200));
        p.drawText(QRect(0, 0, kIconSize, kIconSize), Qt::AlignCenter, "?");
        break;
    }
    case TrpPreviewIcon::Exit:
        p.setBrush(QColor(150, 90, 40));
        p.drawRect(4, 1, 10, 15);
        p.setBrush(QColor(240, 200, 60));
        p.drawEllipse(11, 8, 2, 2);
        break;
    case TrpPreviewIcon::Up:
    case TrpPreviewIcon::Down:
        break;
    }
}

QImage Arrow(bool up) {
    QImage image(kArrowWidth, kArrowHeight, QImage::Format_ARGB32);
    image.fill(kIconKey);
    QPainter p(&image);
    QPainterPath path;
    if (up) {
        path.moveTo(0, kArrowHeight - 1);
        path.lineTo(kArrowWidth / 2.0, 1);
        path.lineTo(kArrowWidth, kArrowHeight - 1);
    } else {
        path.moveTo(0, 1);
        path.lineTo(kArrowWidth / 2.0, kArrowHeight - 1);
        path.lineTo(kArrowWidth, 1);
    }
    p.fillPath(path, Qt::black);
    // The key colour stays in the bottom-left corner.
    p.end();
    image.setPixelColor(0, kArrowHeight - 1, kIconKey);
    return image;
}

} // namespace

QImage PreviewIcon(TrpPreviewIcon icon) {
    if (icon == TrpPreviewIcon::Up || icon == TrpPreviewIcon::Down)
        return Arrow(icon == TrpPreviewIcon::Up);
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
    image.fill(kIconKey);
    QPainter p(&image);
    DrawIcon(p, icon);
    p.end();
    image.setPixelColor(0, kIconSize - 1, kIconKey);
    return image;
}

} // namespace report
