// TrpPicture: keeping and decoding a picture object's graphic.
#include "TrpPicture.h"

#include <QBuffer>
#include <QByteArray>

namespace report {

namespace {

QImage Decode(const std::string& bytes, const char* format = nullptr) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()),
                       format);
    return image;
}

bool IsBitmapFile(const std::string& bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

} // namespace

void TrpPicture::Clear() {
    Kind = TrpGraphicKind::None;
    Bytes.clear();
    Image = QImage();
}

void TrpPicture::Assign(TrpGraphicKind kind, std::string bytes) {
    if (kind == TrpGraphicKind::None) {
        Clear();
        return;
    }
    Kind = kind;
    Bytes = std::move(bytes);
    if (kind == TrpGraphicKind::Bitmap)
        Image = Decode(Bytes, "BMP");
    else if (kind == TrpGraphicKind::Icon)
        Image = Decode(Bytes, "ICO");
    else
        Image = QImage();
}

bool TrpPicture::AssignDecodedBitmap(const std::string& bytes) {
    if (IsBitmapFile(bytes)) {
        QImage image = Decode(bytes, "BMP");
        if (image.isNull())
            return false;
        Kind = TrpGraphicKind::Bitmap;
        Bytes = bytes;
        Image = image;
        return true;
    }
    QImage image = Decode(bytes);
    if (image.isNull())
        return false;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    Kind = TrpGraphicKind::Bitmap;
    Bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    Image = image;
    return true;
}

} // namespace report
