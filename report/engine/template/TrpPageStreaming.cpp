// The page record of a template: paper, margins and columns, then from
// version 24 on the page's name, its dialog window and its script.
//
// A record written by this system starts with kPageMarker; any other first
// i32 is the paper size of the old layout, which has no "Size" field and no
// page script. Older layouts stored the dialog border as 0 and 1; the
// writer stores the style's own code (bsDialog, bsSizeable), which the
// reader keeps as it is. After the record the paper goes through the printer layer,
// which answers the paper and metrics the page really gets.
#include "TrpPage.h"
#include "TrpPages.h"
#include "TrpReadStream.h"
#include "TrpTemplateFormat.h"
#include "TrpWriteStream.h"

namespace report {

using namespace tplfmt;

namespace {

std::uint8_t ReadBorderStyle(TrpReadStream& stream) {
    std::uint8_t stored = stream.ReadByte();
    if (stored == kStoredBorderDialog)
        return bsDialog;
    if (stored == kStoredBorderSizeable)
        return bsSizeable;
    return stored;
}

} // namespace

void TrpPage::LoadFromStream(TrpReadStream& stream) {
    const int version = stream.Version();
    const std::int32_t marker = stream.ReadI32();
    const bool current = marker == kPageMarker;
    const std::int32_t size = current ? stream.ReadI32() : marker;
    const std::int32_t width = stream.ReadI32();
    const std::int32_t height = stream.ReadI32();
    LeftMargin = stream.ReadI32();
    TopMargin = stream.ReadI32();
    RightMargin = stream.ReadI32();
    BottomMargin = stream.ReadI32();
    const TrpOrientation orientation =
        stream.ReadByte() == 0 ? TrpOrientation::Portrait : TrpOrientation::Landscape;
    if (version < kCountedStringsVersion)
        stream.Skip(kOldPageSkippedBytes);
    std::int32_t bin = version >= kCurrentVersion ? stream.ReadI32() : kDefaultPaperBin;
    // A page that asked for the default bin stores it in this form.
    if (bin == kStoredDefaultPaperBin)
        bin = kDefaultPaperBin;
    PrintToPrevPage = stream.ReadU16() != 0;
    UseMargins = stream.ReadU16() != 0;
    Columns = stream.ReadI32();
    ColumnGap = stream.ReadI32();
    if (version >= kCurrentVersion) {
        PageType = stream.ReadByte();
        Name = stream.ReadNewString();
        BorderStyle = ReadBorderStyle(stream);
        Caption = stream.ReadNewString();
        Color = static_cast<TrpColor>(stream.ReadI32());
        DialogLeft = stream.ReadI32();
        DialogTop = stream.ReadI32();
        DialogWidth = stream.ReadI32();
        DialogHeight = stream.ReadI32();
        Position = stream.ReadByte() == poDesigned ? poDesigned : poScreenCenter;
        if (current)
            Script = stream.ReadStringList();
    } else {
        // The page's own provisional name must not count as taken.
        Name.clear();
        Name = Parent ? Parent->FreePageName() : std::string();
    }
    ChangePaper(size, width, height, bin, orientation);
}

void TrpPage::SaveToStream(TrpWriteStream& stream) {
    stream.WriteI32(kPageMarker);
    stream.WriteI32(PaperSize);
    stream.WriteI32(PaperWidth);
    stream.WriteI32(PaperHeight);
    stream.WriteI32(LeftMargin);
    stream.WriteI32(TopMargin);
    stream.WriteI32(RightMargin);
    stream.WriteI32(BottomMargin);
    stream.WriteByte(Orientation == TrpOrientation::Portrait ? 0 : 1);
    stream.WriteI32(PaperBin);
    stream.WriteU16(PrintToPrevPage ? 1 : 0);
    stream.WriteU16(UseMargins ? 1 : 0);
    stream.WriteI32(Columns);
    stream.WriteI32(ColumnGap);
    stream.WriteByte(PageType);
    stream.WriteString(Name);
    stream.WriteByte(BorderStyle);
    stream.WriteString(Caption);
    stream.WriteI32(static_cast<std::int32_t>(Color));
    stream.WriteI32(DialogLeft);
    stream.WriteI32(DialogTop);
    stream.WriteI32(DialogWidth);
    stream.WriteI32(DialogHeight);
    stream.WriteByte(Position);
    stream.WriteStringList(Script);
}

} // namespace report
