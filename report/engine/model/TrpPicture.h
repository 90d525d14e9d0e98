// TrpPicture: the graphic a picture object holds. Kind says what the bytes
// are (a bitmap file image, a metafile image or an icon image); Bytes are
// kept exactly as read so that they are written back unchanged; Image is
// the decoded form where the bytes are decodable (bitmaps, icons, JPEG),
// null otherwise (metafiles stay opaque). Kind none has no bytes.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

namespace report {

enum class TrpGraphicKind : std::uint8_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3 };

struct TrpPicture {
    TrpGraphicKind Kind = TrpGraphicKind::None;
    std::string Bytes;
    QImage Image;

    bool Empty() const { return Kind == TrpGraphicKind::None; }
    void Clear();
    // Takes bytes of kind; bitmaps and icons are decoded. Bytes that do not
    // decode leave no image but are kept.
    void Assign(TrpGraphicKind kind, std::string bytes);
    // A bitmap from any image the platform decodes (BMP, JPEG, PNG...):
    // kept as a bitmap file image. False, and nothing changed, when the
    // bytes do not decode.
    bool AssignDecodedBitmap(const std::string& bytes);
};

} // namespace report
