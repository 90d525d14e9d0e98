// The print dialog's artwork, painted once.
#include "TrpPrintPictures.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>

namespace report {

namespace {

// The picture with its key colour transparent.
QPixmap Keyed(const QImage& image, QRgb key) {
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(key, Qt::MaskInColor)));
    return pixmap;
}

// One sheet with its page number, a folded corner and a few text lines.
void Sheet(QPainter& p, int x, int y, int number) {
    constexpr int kWidth = 18, kHeight = 24, kFold = 5;
    const QPolygon outline({QPoint(x, y), QPoint(x + kWidth - kFold, y),
                            QPoint(x + kWidth, y + kFold), QPoint(x + kWidth, y + kHeight),
                            QPoint(x, y + kHeight)});
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(outline);
    p.drawLine(x + kWidth - kFold, y, x + kWidth - kFold, y + kFold);
    p.drawLine(x + kWidth - kFold, y + kFold, x + kWidth, y + kFold);
    p.setPen(QColor(0, 0, 128));
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(x, y + 8, kWidth, 14), Qt::AlignCenter, QString::number(number));
}

QImage Canvas(QSize size, QRgb key) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(key);
    return image;
}

} // namespace

QPixmap PrinterPicture() {
    QImage image = Canvas(kPrinterPictureSize, kPrinterPictureKey);
    QPainter p(&image);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5); // sheet in the feeder
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(1, 6, 13, 6); // body
    p.setBrush(Qt::white);
    p.drawRect(3, 11, 9, 3); // sheet out
    p.setPen(QColor(0, 128, 0));
    p.drawPoint(12, 8); // lamp
    p.end();
    return Keyed(image, kPrinterPictureKey);
}

// Two stacks 1-2-3, one behind the other.
QPixmap CollatedPicture() {
    QImage image = Canvas(kCollatedPictureSize, kCollatePictureKey);
    QPainter p(&image);
    for (int stack = 0; stack < 2; ++stack)
        for (int sheet = 3; sheet >= 1; --sheet)
            Sheet(p, 2 + stack * 38 + (sheet - 1) * 6, 4 + (sheet - 1) * 8, sheet);
    p.end();
    return Keyed(image, kCollatePictureKey);
}

// Three stacks 1-1, 2-2, 3-3.
QPixmap UncollatedPicture() {
    QImage image = Canvas(kUncollatedPictureSize, kCollatePictureKey);
    QPainter p(&image);
    for (int stack = 0; stack < 3; ++stack)
        for (int copy = 1; copy >= 0; --copy)
            Sheet(p, 2 + stack * 30 + copy * 6, 4 + copy * 8, stack + 1);
    p.end();
    return Keyed(image, kCollatePictureKey);
}

} // namespace report
