// A template with every object kind, two pages (one a dialog page) and a
// dictionary, each property away from its default: saved, loaded and saved
// again it gives the same bytes and the same model; prepared-form records
// read back as written.
#include "TemplateSupport.h"
#include "TrpLineView.h"
#include "TrpReadStream.h"
#include "TrpWriteStream.h"

#include <QImage>

using namespace report;
using namespace report::testing;

namespace {

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

// Bytes no decoder here understands; they must come back unchanged.
const std::string kMetafileBytes("\x01\x00\x00\x00\x6C\x00\x00\x00 EMF opaque \xFF\x00\x13", 27);

void SetCommon(TrpView& view, int seed) {
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

void AddObjects(TrpPage& page) {
    auto* memo = static_cast<TrpMemoView*>(page.CreateView(kTypeMemo));
    SetCommon(*memo, 1);
    memo->Flags = kMemoWordBreak | kMemoUnderlines | kMemoTextOnly;
    memo->Font = {"Courier New", 14, kFontBold | kFontStrikeOut, 0x0000FF, 204};
    memo->Alignment = kTextAlignCenter | kTextAlignBottom;
    memo->Highlight = {kFontItalic, 0x00FF00, 0x00FFFF, "[Value] > 100"};
    memo->LineSpacing = 5;
    memo->CharSpacing = 1;

    auto* data = static_cast<TrpBandView*>(page.CreateView(kTypeBand));
    SetCommon(*data, 2);
    data->SetBandType(btMasterData);
    data->Flags = kBandFormNewPage | kBandBreaked;
    data->ChildBand = "Band3";
    data->Columns = 3;
    data->ColumnWidth = 150;
    data->ColumnGap = 12;
    data->NewColumnAfter = 0;
    auto* group = static_cast<TrpBandView*>(page.CreateView(kTypeBand));
    SetCommon(*group, 3);
    group->SetBandType(btGroupHeader);
    group->FormatPattern = "dbDetail.\"Bank\"";
    group->Master = "Band1";

    auto* bitmap = static_cast<TrpPictureView*>(page.CreateView(kTypePicture));
    SetCommon(*bitmap, 4);
    bitmap->Flags = kPictureCenter;
    bitmap->BlobType = btJPG;
    bitmap->Picture.Assign(TrpGraphicKind::Bitmap, BitmapFileImage().toStdString());
    auto* metafile = static_cast<TrpPictureView*>(page.CreateView(kTypePicture));
    SetCommon(*metafile, 5);
    metafile->BlobType = btWMF;
    metafile->Picture.Assign(TrpGraphicKind::Metafile, kMetafileBytes);
    auto* empty = static_cast<TrpPictureView*>(page.CreateView(kTypePicture));
    SetCommon(*empty, 6);

    SetCommon(*page.CreateView(kTypeLine), 7);
    auto* sub = static_cast<TrpSubReportView*>(page.CreateView(kTypeSubReport));
    SetCommon(*sub, 8);
    sub->SubPage = 1;
}

// The report built in code. Paper goes through the printer layer as a load
// does, so that the built pages hold what a loaded one would.
void Build(TrpReport& report) {
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
    SetCommon(*dialog->CreateView(kTypeMemo), 9);

    report.Dictionary.Variables.Set(" Payment", TrpValue(std::string()));
    report.Dictionary.Variables.Set("comId", TrpValue(std::string("'ACME'")));
    report.Dictionary.Variables.Set("total", TrpValue(std::string("[dbDetail.\"Amount\"]")));
    report.Dictionary.Aliases.Set("dbDetail.\"Amount\"", TrpValue(std::string("Amount")));
    report.Dictionary.ThirdList.Set("kept", TrpValue(std::string("text")));
}

TEST(TrpTemplateRoundTripTest, SaveLoadSaveGivesTheSameBytesAndModel) {
    RecordingSink boxes;
    TrpReport built;
    Build(built);
    const QByteArray first = Save(built);

    TrpReport loaded;
    Load(loaded, first);
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectSameReport(built, loaded);
    EXPECT_EQ(Save(loaded), first);

    // The decodable bitmap is decoded; the metafile stays bytes only.
    auto* bitmap = static_cast<TrpPictureView*>(loaded.Pages[0]->Object(3));
    ASSERT_FALSE(bitmap->Picture.Image.isNull());
    EXPECT_EQ(bitmap->Picture.Image.size(), QSize(5, 3));
    EXPECT_EQ(bitmap->Picture.Image.pixelColor(4, 2), QColor(255, 0, 0));
    auto* metafile = static_cast<TrpPictureView*>(loaded.Pages[0]->Object(4));
    EXPECT_EQ(metafile->Picture.Bytes, kMetafileBytes);
}

TEST(TrpTemplateRoundTripTest, ReportHeaderAndRecordLayout) {
    TrpReport built;
    Build(built);
    const QByteArray bytes = Save(built);
    // Version, the two printer flags, the virtual printer's one-byte name,
    // then the first page record's marker.
    EXPECT_EQ(bytes.left(11), QByteArray("\x18\x01\x00\x01\x00\x01\x00\x01\x00\xFF\xFF", 11));
    // The dictionary comes last, with this system's marker.
    const qsizetype dictionary = bytes.lastIndexOf(QByteArray("\xFE\xFE\xFF\x03\x00\x00\x00", 7));
    EXPECT_GT(dictionary, 0);
}

TEST(TrpTemplateRoundTripTest, PreparedFormCarriesTheEvaluatedTextOnly) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    auto* memo = static_cast<TrpMemoView*>(page->CreateView(kTypeMemo));
    SetCommon(*memo, 1);
    memo->PreparedForm = true;
    memo->ResultMemo = {"ACME Ltd", "42"};
    memo->Highlight.Condition = "never stored";

    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        TrpWriteStream out(buffer);
        memo->SaveToStream(out);
    }
    EXPECT_FALSE(bytes.contains("[Value]"));
    EXPECT_FALSE(bytes.contains("Visible := True"));
    EXPECT_FALSE(bytes.contains("never stored"));

    TrpReport other;
    auto* copy = static_cast<TrpMemoView*>(other.Pages.Add()->CreateView(kTypeMemo));
    copy->PreparedForm = true;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TrpReadStream in(buffer, 24);
    copy->LoadFromStream(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(copy->Memo, memo->ResultMemo);
    EXPECT_EQ(copy->ResultMemo, memo->ResultMemo);
    EXPECT_EQ(copy->Font, memo->Font);
    EXPECT_EQ(copy->FormatCode, TrpView::DefaultFormatCode());
    EXPECT_TRUE(copy->Visible);
}

} // namespace
