// TrpPictureView: picture settings, loading from files and BLOB fields, and
// drawing the graphic into the object's rectangle.
#include "TrpPictureView.h"

#include "TrpBlobBinding.h"
#include "TrpEngineLists.h"
#include "TrpPicturePlacement.h"
#include "TrpValueConvert.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cctype>

namespace report {

namespace {

std::string LowerExtension(const std::string& fileName) {
    std::size_t dot = fileName.rfind('.');
    std::size_t slash = fileName.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = fileName.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

TrpPictureView::TrpPictureView() {
    ObjectType = kTypePicture;
    NamePrefix = "Picture";
    Flags = kPictureDefaultFlags;
    TrpVariables& constants = EngineConstants();
    if (constants.IndexOf("btBMP") < 0) {
        constants.Set("btBMP", std::int64_t{btBMP});
        constants.Set("btJPG", std::int64_t{btJPG});
        constants.Set("btICO", std::int64_t{btICO});
        constants.Set("btWMF", std::int64_t{btWMF});
    }
}

void TrpPictureView::SetPropertyValue(const std::string& name, const TrpValue& value) {
    const std::string n = UpperName(name);
    if (n == "CENTER")
        SetFlag(kPictureCenter, ValueToBool(value));
    else if (n == "KEEPASPECT")
        SetFlag(kPictureKeepAspect, ValueToBool(value));
    else if (n == "BLOBTYPE")
        BlobType = static_cast<std::uint8_t>(ValueToInt(value));
    else
        TrpView::SetPropertyValue(name, value);
}

TrpValue TrpPictureView::GetPropertyValue(const std::string& name) {
    const std::string n = UpperName(name);
    if (n == "CENTER")
        return FlagSet(kPictureCenter);
    if (n == "KEEPASPECT")
        return FlagSet(kPictureKeepAspect);
    if (n == "BLOBTYPE")
        return std::int64_t{BlobType};
    return TrpView::GetPropertyValue(name);
}

TrpValue TrpPictureView::CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                                    const TrpValue& p3) {
    if (UpperName(name) == "LOADFROMFILE") {
        LoadFromFile(ValueToText(Evaluate(ValueToText(p1))));
        return {};
    }
    return TrpView::CallMethod(name, p1, p2, p3);
}

void TrpPictureView::DeclareProperties() {
    TrpView::DeclareProperties();
    props_.Add("Picture", kPropEditor);
    for (const char* name : {"Stretched", "Center", "KeepAspect"})
        props_.Add(name, kPropBoolean);
    props_.Add("DataField", kPropEditor);
    props_.AddEnum("BlobType", {"btBMP", "btJPG", "btICO", "btWMF"}, {0, 1, 2, 3});
}

void TrpPictureView::LoadFromBlob(const TrpBlobContent& content) {
    if (content.isNull) {
        Picture.Clear();
        return;
    }
    switch (BlobType) {
    case btICO:
        Picture.Assign(TrpGraphicKind::Icon, content.bytes);
        break;
    case btWMF:
        Picture.Assign(TrpGraphicKind::Metafile, content.bytes);
        break;
    default:
        if (!Picture.AssignDecodedBitmap(content.bytes))
            Picture.Clear();
        break;
    }
}

bool TrpPictureView::LoadFromFile(const std::string& fileName) {
    QFile file(QString::fromLocal8Bit(fileName.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = file.readAll();
    std::string bytes(data.constData(), static_cast<std::size_t>(data.size()));
    const std::string ext = LowerExtension(fileName);
    if (ext == ".wmf" || ext == ".emf") {
        Picture.Assign(TrpGraphicKind::Metafile, std::move(bytes));
        return true;
    }
    if (ext == ".ico") {
        TrpPicture icon;
        icon.Assign(TrpGraphicKind::Icon, std::move(bytes));
        if (icon.Image.isNull())
            return false;
        Picture = std::move(icon);
        return true;
    }
    return Picture.AssignDecodedBitmap(bytes);
}

void TrpPictureView::Draw(QPainter& canvas) {
    Canvas = &canvas;
    BeginDraw();
    DrawBackground();
    const QImage& image = Picture.Image;
    if (!InFirstPass() && !image.isNull() && image.width() > 0 && image.height() > 0) {
        const QRect target = PictureTarget(DrawRect, image.size(), ScaleX, ScaleY, Flags);
        canvas.drawImage(target, image);
    }
    DrawFrame();
    EndDraw();
}

} // namespace report
