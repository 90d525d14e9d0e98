// The print dialog's artwork: the small printer picture of the printer
// list and the collated / uncollated sheets beside "Collate". Each picture
// is painted on a key colour that is then made transparent, as the
// dialog's stored bitmaps were: RGB (128, 128, 0) for the printer,
// RGB (192, 192, 192) for the sheets.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>

namespace report {

inline constexpr QRgb kPrinterPictureKey = qRgb(128, 128, 0);
inline constexpr QRgb kCollatePictureKey = qRgb(192, 192, 192);
inline constexpr QSize kPrinterPictureSize{16, 16};
inline constexpr QSize kCollatedPictureSize{74, 53};
inline constexpr QSize kUncollatedPictureSize{92, 40};
// Where each picture sits in the collate picture area.
inline constexpr QPoint kCollatedPictureAt{8, 0};
inline constexpr QPoint kUncollatedPictureAt{0, 8};

QPixmap PrinterPicture();
QPixmap CollatedPicture();
QPixmap UncollatedPicture();

} // namespace report
