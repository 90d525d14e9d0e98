// TrpView: a report object on a page - geometry, frame, fill, text lines,
// script - and the base of text, band, picture, line, sub-report and dialog
// objects.
//
// Geometry is in engine pixels. Drawing runs BeforeDraw (canvas, current
// object, band alignment), then Draw, which brackets its work in BeginDraw
// and EndDraw: BeginDraw saves Left, Top, Width, Height, FrameWidth, GapX
// and GapY, scales and offsets them and computes DrawRect; EndDraw puts the
// saved values back. Between the two the fields hold the scaled values and
// the frame and background are drawn from them.
//
// Ownership: a view belongs to at most one page (Parent), which frees it.
// OwnerBand and Canvas are borrowed for one generation or one drawing.
#pragma once

#include "TrpObject.h"
#include "TrpObjectCodes.h"

#include <QRegion>
#include <cstdint>
#include <string>

class QPainter;

namespace tabula {
class TField;
}

namespace report {

class TrpReadStream;
class TrpWriteStream;
class TrpBand;
class TrpPage;
class TrpReport;
struct TrpBlobContent;

class TrpView : public TrpObject {
public:
    TrpView();
    ~TrpView() override;

    // Persistent fields, in template order.
    std::string Name;
    std::uint8_t ObjectVersionMajor = 2;
    std::uint8_t ObjectVersionMinor = 0;
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    std::uint16_t Flags = kFlagStretched;
    std::uint16_t FrameTyp = 0;
    double FrameWidth = 1.0;
    TrpColor FrameColor = kClBlack;
    std::uint16_t FrameStyle = kFrameSolid;
    TrpColor FillColor = kClTransparent;
    std::int32_t FormatCode;
    std::string FormatPattern;
    TrpStrings Memo;
    TrpStrings ScriptText;
    bool Visible = true;
    std::uint16_t Restrictions = 0;
    std::string Tag;
    std::int32_t GapX = 2, GapY = 1;
    std::uint8_t BandAlign = kAlignNone;

    // Run-time fields.
    std::uint8_t ObjectType = kTypeExtension;
    std::int32_t ObjectId = 0;
    std::string NamePrefix = "View";
    TrpBand* OwnerBand = nullptr;
    TrpStrings ResultMemo;
    bool PreparedForm = false;
    double ScaleX = 1.0, ScaleY = 1.0;
    std::int32_t OffsetX = 0, OffsetY = 0;
    TrpRect DrawRect;
    QPainter* Canvas = nullptr;
    // The page whose list holds the view; set by the page.
    TrpPage* Parent = nullptr;

    // The class name written with an extension object (type 10).
    virtual std::string ClassName() const { return "TrpView"; }

    void SetPropertyValue(const std::string& name, const TrpValue& value) override;
    TrpValue GetPropertyValue(const std::string& name) override;
    TrpValue CallMethod(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                        const TrpValue& p3) override;
    void DeclareProperties() override;

    virtual void DrawBackground();
    virtual void DrawFrame();
    // Takes the content of a BLOB field: a text object its evaluated text,
    // a picture its graphic. The base ignores it.
    void LoadFromBlobField(tabula::TField& field);
    virtual void LoadFromBlob(const TrpBlobContent& content);
    virtual void AfterLoad() {}
    void BeginDraw();
    void EndDraw();
    virtual void Draw(QPainter& canvas) = 0;
    virtual void LoadFromStream(TrpReadStream& stream);
    virtual void SaveToStream(TrpWriteStream& stream);
    // The rectangle covering the object and its frame; extended adds 10
    // pixels on every side.
    virtual QRegion GetClipRegion(bool extended);

    // Stores the canvas, makes this the engine's current object and applies
    // the band alignment.
    void BeforeDraw(QPainter& canvas);
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
    void ApplyBandAlign();

    bool FlagSet(std::uint16_t bit) const { return (Flags & bit) != 0; }
    void SetFlag(std::uint16_t bit, bool on);
    // The report the view belongs to through its page, or null.
    TrpReport* Report() const;

    // The default "FormatCode": text with 2 decimals and the locale's
    // decimal separator (its fields are laid out in TrpFormatCode.h).
    static std::int32_t DefaultFormatCode();

protected:
    // Whether the report is in the first pass of a two-pass generation, in
    // which nothing is drawn.
    bool InFirstPass() const;
    // The report's evaluation of expression; the text itself without one.
    TrpValue Evaluate(const std::string& expression) const;
    // The memo list methods under prefix ("MEMO" or "LINES"); false when
    // the name is no such method.
    bool CallListMethod(const std::string& upper, const std::string& prefix, const TrpValue& p1,
                        const TrpValue& p2, const TrpValue& p3, TrpValue& result);
    // The right and bottom edges of the scaled rectangle.
    int ScaledRight() const;
    int ScaledBottom() const;
    // The entries common to every object, and those of every object but
    // bands and sub-reports.
    void DeclareCommonProperties();
    void DeclareFrameProperties();
    // How far the frame line reaches outside the object's edge (outer) and
    // past its right and bottom edges inside (inner), for GetClipRegion.
    struct TClipMargins {
        int outer, inner;
    };
    TClipMargins ClipMargins() const;
    // The extended clip region's extra pixels on every side.
    static constexpr int kExtendedClipMargin = 10;
    // The region of the rectangle left..right, top..bottom (right and bottom
    // exclusive), grown by kExtendedClipMargin on every side when extended.
    static QRegion ClipRegionOf(int left, int top, int right, int bottom, bool extended);

private:
    struct SavedGeometry {
        std::int32_t left, top, width, height;
        double frameWidth;
        std::int32_t gapX, gapY;
    };
    SavedGeometry saved_{};
    bool drawing_ = false;
};

// Band alignment and the frame need the page's bounds.
struct TrpPageBounds {
    int left = 0, top = 0, right = 0, bottom = 0;
};

} // namespace report
