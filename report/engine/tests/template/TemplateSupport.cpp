// The full template built in code.
#include "TemplateSupport.h"

#include "TrpLineView.h"

#include <QImage>

namespace report::testing {

QByteArray BitmapFileImage() {
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(4, 2, QColor(255, 0, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

namespace {
constexpr char kMetafileImage[] = "\x01\x00\x00\x00\x6C\x00\x00\x00 EMF opaque \xFF\x00\x13";
} // namespace

const std::string kMetafileBytes(kMetafileImage, sizeof kMetafileImage - 1);

void SetEveryCommonField(TrpView& view, int seed) {
    view.Left = 10 + seed;
    view.Top = 20 + seed;
    view.Width = 300 + seed;
    view.Height = 40 + seed;
    view.FrameTyp = static_cast<std::uint16_t>(view.FrameTyp | 0x0F00 | (seed & 0x0F));
    view.FrameWidth = 0.5 + seed;
    view.FrameColor = 0x00112233 + static_cast<TrpColor>(seed);
    view.FrameStyle = kFrameDouble;
    view.FillColor = 0x00445566;
    view.FormatCode = 0x01020304 + seed;
    view.FormatPattern = "#,##0.00;" + std::to_string(seed);
    view.Memo = {"[Value]", "", "line " + std::to_string(seed)};
    view.ScriptText = {"begin", "  Visible := True;", "end"};
    view.Visible = false;
    view.Restrictions = 0x5A5A;
    view.Tag = "tag" + std::to_string(seed);
    view.GapX = 7;
    view.GapY = 9;
    view.BandAlign = kAlignBottom;
}

static void AddObjects(TrpPage& page) {
    auto* memo = static_cast<TrpMemoView*>(page.CreateView(kTypeMemo));
    SetEveryCommonField(*memo, 1);
    memo->Flags = kMemoWordBreak | kMemoUnderlines | kMemoTextOnly;
    memo->Font = {"Courier New", 14, kFontBold | kFontStrikeOut, 0x0000FF, 204};
    memo->Alignment = kTextAlignCenter | kTextAlignBottom;
    memo->Highlight = {kFontItalic, 0x00FF00, 0x00FFFF, "[Value] > 100"};
    memo->LineSpacing = 5;
    memo->CharSpacing = 1;

    auto* data = static_cast<TrpBandView*>(page.CreateView(kTypeBand));
    SetEveryCommonField(*data, 2);
    data->SetBandType(btMasterData);
    data->Flags = kBandFormNewPage | kBandBreaked;
    data->ChildBand = "Band3";
    data->Columns = 3;
    data->ColumnWidth = 150;
    data->ColumnGap = 12;
    data->NewColumnAfter = 0;
    auto* group = static_cast<TrpBandView*>(page.CreateView(kTypeBand));
    SetEveryCommonField(*group, 3);
    group->SetBandType(btGroupHeader);
    group->FormatPattern = "dbDetail.\"Bank\"";
    group->Master = "Band1";

    auto* bitmap = static_cast<TrpPictureView*>(page.CreateView(kTypePicture));
    SetEveryCommonField(*bitmap, 4);
    bitmap->Flags = kPictureCenter;
    bitmap->BlobType = btJPG;
    bitmap->Picture.Assign(TrpGraphicKind::Bitmap, BitmapFileImage().toStdString());
    auto* metafile = static_cast<TrpPictureView*>(page.CreateView(kTypePicture));
    SetEveryCommonField(*metafile, 5);
    metafile->BlobType = btWMF;
    metafile->Picture.Assign(TrpGraphicKind::Metafile, kMetafileBytes);
    auto* empty = static_cast<TrpPictureView*>(page.CreateView(kTypePicture));
    SetEveryCommonField(*empty, 6);

    SetEveryCommonField(*page.CreateView(kTypeLine), 7);
    auto* sub = static_cast<TrpSubReportView*>(page.CreateView(kTypeSubReport));
    SetEveryCommonField(*sub, 8);
    sub->SubPage = 1;
}

void BuildFullTemplate(TrpReport& report) {
    report.UseDefaultPrinter = true;
    report.TwoPass = true;
    TrpPage* main = report.Pages.Add();
    main->Name = "Main";
    main->LeftMargin = 11;
    main->TopMargin = 12;
    main->RightMargin = 13;
    main->BottomMargin = 14;
    main->PrintToPrevPage = true;
    main->UseMargins = false;
    main->Columns = 2;
    main->ColumnGap = 18;
    main->Script = {"PageVar := 1;"};
    main->ChangePaper(kUserPaperSize, 1500, 2500, kDefaultPaperBin, TrpOrientation::Landscape);
    AddObjects(*main);

    TrpPage* dialog = report.Pages.Add();
    dialog->PageType = ptDialog;
    dialog->Name = "Ask";
    dialog->BorderStyle = bsSizeable;
    dialog->Caption = "Question";
    dialog->Color = 0x00ABCDEF;
    dialog->DialogLeft = 1;
    dialog->DialogTop = 2;
    dialog->DialogWidth = 3;
    dialog->DialogHeight = 4;
    dialog->Position = poDesigned;
    dialog->Script = {"ShowMessage('x');", ""};
    dialog->ChangePaper(9, 0, 0, kDefaultPaperBin, TrpOrientation::Portrait);
    SetEveryCommonField(*dialog->CreateView(kTypeMemo), 9);

    report.Dictionary.Variables.Set(" Payment", TrpValue(std::string()));
    report.Dictionary.Variables.Set("comId", TrpValue(std::string("'ACME'")));
    report.Dictionary.Variables.Set("total", TrpValue(std::string("[dbDetail.\"Amount\"]")));
    report.Dictionary.Aliases.Set("dbDetail.\"Amount\"", TrpValue(std::string("Amount")));
    report.Dictionary.ThirdList.Set("kept", TrpValue(std::string("text")));
}

} // namespace report::testing
