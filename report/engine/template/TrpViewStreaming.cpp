// The object bodies of template and generated-page records: the part common
// to every object, then the fields of each class.
//
// The template form carries everything a template holds; the prepared form
// (PreparedForm set: objects inside generated pages) carries the evaluated
// text in place of the display format and the memo, and neither the script
// nor the visibility word. The writer always produces the current version's
// layout with the record version kWrittenObjectMajor.kWrittenObjectMinor
// (bands: kWrittenBandMinor), so every field that depends on the record
// version is written; the reader follows the record version it finds.
#include "ETrpTemplateError.h"
#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpPictureView.h"
#include "TrpReadStream.h"
#include "TrpReport.h"
#include "TrpSubReportView.h"
#include "TrpTemplateFormat.h"
#include "TrpWriteStream.h"

namespace report {

using namespace tplfmt;

namespace {

int RecordVersion(int major, int minor) {
    return major * 10 + minor;
}

int RecordVersion(const TrpView& view) {
    return RecordVersion(view.ObjectVersionMajor, view.ObjectVersionMinor);
}

// The record version the writer stores with view.
int WrittenMinor(const TrpView& view) {
    return view.ObjectType == kTypeBand ? kWrittenBandMinor : kWrittenObjectMinor;
}

} // namespace

// ---- Common part -----------------------------------------------------------------

void TrpView::LoadFromStream(TrpReadStream& stream) {
    const int version = stream.Version();
    const bool named =
        version >= kCurrentVersion || (version == kCountedStringsVersion && !PreparedForm);
    if (named) {
        Name = stream.ReadString();
    } else {
        // The object's own provisional name must not count as taken.
        Name.clear();
        TrpReport* report = Report();
        Name = report ? report->FreeObjectName(NamePrefix) : std::string();
    }
    if (version >= kCurrentVersion) {
        ObjectVersionMajor = stream.ReadByte();
        ObjectVersionMinor = stream.ReadByte();
    }
    Left = stream.ReadI32();
    Top = stream.ReadI32();
    Width = stream.ReadI32();
    Height = stream.ReadI32();
    Flags = stream.ReadU16();
    FrameTyp = stream.ReadU16();
    FrameWidth = stream.ReadFrameWidth();
    FrameColor = static_cast<TrpColor>(stream.ReadI32());
    FrameStyle = stream.ReadU16();
    FillColor = static_cast<TrpColor>(stream.ReadI32());
    if (PreparedForm) {
        // The evaluated text is both what the object shows and what it
        // writes back.
        Memo = stream.ReadStringList();
        ResultMemo = Memo;
    } else {
        FormatCode = stream.ReadI32();
        FormatPattern = stream.ReadString();
        Memo = stream.ReadStringList();
        if (version >= kCountedStringsVersion) {
            ScriptText = stream.ReadStringList();
            Visible = stream.ReadU16() != 0;
        }
    }
    if (version >= kCurrentVersion) {
        Restrictions = stream.ReadU16();
        Tag = stream.ReadString();
        GapX = stream.ReadI32();
        GapY = stream.ReadI32();
    }
    if (ObjectVersionMajor > kBandAlignAfterMajor)
        BandAlign = stream.ReadByte();
}

void TrpView::SaveToStream(TrpWriteStream& stream) {
    stream.WriteString(Name);
    stream.WriteByte(kWrittenObjectMajor);
    stream.WriteByte(static_cast<std::uint8_t>(WrittenMinor(*this)));
    stream.WriteI32(Left);
    stream.WriteI32(Top);
    stream.WriteI32(Width);
    stream.WriteI32(Height);
    stream.WriteU16(Flags);
    stream.WriteU16(FrameTyp);
    stream.WriteFrameWidth(FrameWidth);
    stream.WriteI32(static_cast<std::int32_t>(FrameColor));
    stream.WriteU16(FrameStyle);
    stream.WriteI32(static_cast<std::int32_t>(FillColor));
    if (PreparedForm) {
        stream.WriteStringList(ResultMemo);
    } else {
        stream.WriteI32(FormatCode);
        stream.WriteString(FormatPattern);
        stream.WriteStringList(Memo);
        stream.WriteStringList(ScriptText);
        stream.WriteU16(Visible ? 1 : 0);
    }
    stream.WriteU16(Restrictions);
    stream.WriteString(Tag);
    stream.WriteI32(GapX);
    stream.WriteI32(GapY);
    stream.WriteByte(BandAlign);
}

// ---- Text object ---------------------------------------------------------------------

void TrpMemoView::LoadFromStream(TrpReadStream& stream) {
    TrpView::LoadFromStream(stream);
    const int version = stream.Version();
    Font.Name = stream.ReadString();
    Font.Size = stream.ReadI32();
    Font.Style = stream.ReadI16();
    Font.Color = static_cast<TrpColor>(stream.ReadI32());
    Alignment = stream.ReadI32();
    std::int16_t charset = stream.ReadI16();
    Font.Charset = version >= kCountedStringsVersion ? charset : kDefaultCharset;
    if (!PreparedForm) {
        Highlight.FontStyle = stream.ReadI16();
        Highlight.FontColor = static_cast<TrpColor>(stream.ReadI32());
        Highlight.FillColor = static_cast<TrpColor>(stream.ReadI32());
        Highlight.Condition = stream.ReadString();
    }
    if (version >= kCurrentVersion) {
        LineSpacing = stream.ReadI32();
        CharSpacing = stream.ReadI32();
    }
    if (version == kWordWrapForcedVersion)
        Flags |= kMemoWordWrap;
}

void TrpMemoView::SaveToStream(TrpWriteStream& stream) {
    TrpView::SaveToStream(stream);
    stream.WriteString(Font.Name);
    stream.WriteI32(Font.Size);
    stream.WriteI16(Font.Style);
    stream.WriteI32(static_cast<std::int32_t>(Font.Color));
    stream.WriteI32(Alignment);
    stream.WriteI16(Font.Charset);
    if (!PreparedForm) {
        stream.WriteI16(Highlight.FontStyle);
        stream.WriteI32(static_cast<std::int32_t>(Highlight.FontColor));
        stream.WriteI32(static_cast<std::int32_t>(Highlight.FillColor));
        stream.WriteString(Highlight.Condition);
    }
    stream.WriteI32(LineSpacing);
    stream.WriteI32(CharSpacing);
}

// ---- Band ----------------------------------------------------------------------------

void TrpBandView::LoadFromStream(TrpReadStream& stream) {
    TrpView::LoadFromStream(stream);
    if (stream.Version() < kCurrentVersion)
        return;
    ChildBand = stream.ReadNewString();
    Columns = stream.ReadI32();
    ColumnWidth = stream.ReadI32();
    ColumnGap = stream.ReadI32();
    NewColumnAfter = stream.ReadI32();
    if (RecordVersion(*this) > kBandMasterAfterVersion)
        Master = stream.ReadNewString();
}

void TrpBandView::SaveToStream(TrpWriteStream& stream) {
    TrpView::SaveToStream(stream);
    stream.WriteString(ChildBand);
    stream.WriteI32(Columns);
    stream.WriteI32(ColumnWidth);
    stream.WriteI32(ColumnGap);
    stream.WriteI32(NewColumnAfter);
    stream.WriteString(Master);
}

// ---- Picture -------------------------------------------------------------------------

void TrpPictureView::LoadFromStream(TrpReadStream& stream) {
    TrpView::LoadFromStream(stream);
    std::uint8_t kind = stream.ReadByte();
    if (RecordVersion(*this) > kBlobTypeAfterVersion)
        BlobType = stream.ReadByte();
    const std::int32_t end = stream.ReadI32();
    if (end < stream.Position() || end > stream.Size())
        throw ETrpTemplateError("picture data ends outside its record");
    if (kind == 0 || kind > kLastGraphicKind) {
        // No graphic, or one of a kind this system does not know: skipped.
        Picture.Clear();
    } else {
        QByteArray bytes = stream.ReadBytes(end - stream.Position());
        Picture.Assign(static_cast<TrpGraphicKind>(kind), bytes.toStdString());
    }
    stream.Seek(end);
}

void TrpPictureView::SaveToStream(TrpWriteStream& stream) {
    TrpView::SaveToStream(stream);
    stream.WriteByte(static_cast<std::uint8_t>(Picture.Kind));
    stream.WriteByte(BlobType);
    std::int64_t end = stream.WritePlaceholder();
    if (!Picture.Empty())
        stream.WriteBytes(QByteArray::fromStdString(Picture.Bytes));
    stream.PatchEndOffset(end);
}

// ---- Sub-report ----------------------------------------------------------------------

void TrpSubReportView::LoadFromStream(TrpReadStream& stream) {
    TrpView::LoadFromStream(stream);
    SubPage = stream.ReadI32();
}

void TrpSubReportView::SaveToStream(TrpWriteStream& stream) {
    TrpView::SaveToStream(stream);
    stream.WriteI32(SubPage);
}

} // namespace report
