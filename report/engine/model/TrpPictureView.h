// TrpPictureView: a picture (type 1, names "Picture" + n). "Stretched"
// scales the graphic to the object's rectangle, "KeepAspect" keeps its
// proportions while doing so, "Center" centres an unscaled graphic.
// BlobType says how a picture taken from a database field is decoded.
#pragma once

#include "TrpPicture.h"
#include "TrpView.h"

namespace report {

class TrpPictureView : public TrpView {
public:
    TrpPictureView();

    TrpPicture Picture;
    std::uint8_t BlobType = btBMP;

    std::string ClassName() const override { return "TrpPictureView"; }

    void SetPropertyValue(const std::string& name, const TrpValue& value) override;
    TrpValue GetPropertyValue(const std::string& name) override;
    TrpValue CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                        const TrpValue& p3) override;
    void DeclareProperties() override;

    // A Null field clears the picture; other bytes are decoded by BlobType.
    void LoadFromBlob(const TrpBlobContent& content) override;
    // Loads a graphic file: ".ico" an icon, ".wmf"/".emf" a metafile (kept
    // opaque), anything else a decoded bitmap. False when the file cannot
    // be read or decoded; the picture is then unchanged.
    bool LoadFromFile(const std::string& fileName);
    void Draw(QPainter& canvas) override;
    void LoadFromStream(TrpReadStream& stream) override;
    void SaveToStream(TrpWriteStream& stream) override;
};

} // namespace report
