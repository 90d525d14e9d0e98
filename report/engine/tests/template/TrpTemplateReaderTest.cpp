// The reader against hand-made byte images: old files without a version
// byte, old page records, unknown classes and damaged records skipped by
// their end offsets, invalid tags, unknown versions, empty streams, the
// dictionary's layouts, the printer name and loading from files.
#include "ETrpTemplateError.h"
#include "TemplateSupport.h"
#include "TrpDictionaryStreaming.h"
#include "TrpLineView.h"
#include "TrpPrinter.h"
#include "TrpReadStream.h"
#include "TrpWriteStream.h"

#include <QFile>
#include <QTemporaryDir>

using namespace report;
using namespace report::testing;

namespace {

const std::string kUnsupported = "Unsupported RPF format";

// A version-21 text object body (template form, no stored name).
void OldMemoBody(ByteImage& b, int left, const std::string& text) {
    b.I32(left).I32(5).I32(100).I32(20); // geometry
    b.I16(0).I16(0).I32(1).I32(0).I16(0).I32(0x1FFFFFFF);
    b.I32(512 + '.').ZStr("").ZList({text});
    b.U8(0);                                            // BandAlign (record version 2.0)
    b.ZStr("Times").I32(12).I16(2).I32(0xFF).I32(1);    // font, alignment
    b.I16(99);                                          // charset, ignored before 23
    b.I16(1).I32(0x00FF00).I32(0xFFFFFF).ZStr("[X]=1"); // highlight
}

// A page record of the old layout (first i32 is the paper size), for a
// version below 23.
void OldPage(ByteImage& b) {
    b.U8(255).I32(9).I32(2100).I32(2970).I32(1).I32(2).I32(3).I32(4).U8(0);
    b.I32(0).I16(0); // 6 skipped bytes
    b.I16(0).I16(1).I32(1).I32(0);
}

// The start of a version-24 template and its page record, by the writer.
struct V24Image {
    V24Image() : buffer(&bytes) {
        buffer.open(QIODevice::WriteOnly);
        out.emplace(buffer);
        out->WriteByte(24);
        out->WriteI16(0);
        out->WriteI16(0);
        out->WriteString(std::string(1, '\x01'));
    }
    void Page(TrpPage& page) {
        out->WriteByte(255);
        page.SaveToStream(*out);
    }
    // An object record with its end offset; extra bytes go after the body.
    void Object(TrpView& view, int pageIndex, const QByteArray& extra = {}) {
        out->WriteByte(view.ObjectType);
        out->WriteByte(static_cast<std::uint8_t>(pageIndex));
        std::int64_t at = out->WritePlaceholder();
        view.SaveToStream(*out);
        out->WriteBytes(extra);
        out->PatchEndOffset(at);
    }
    QByteArray bytes;
    QBuffer buffer;
    std::optional<TrpWriteStream> out;
};

TEST(TrpTemplateReaderTest, OldFileWithoutVersionByte) {
    ByteImage b;
    b.I16(0).I16(0).ZStr(""); // first byte 0: no version byte
    OldPage(b);
    b.U8(0).U8(0);
    OldMemoBody(b, 10, "first");
    b.U8(0).U8(0);
    OldMemoBody(b, 20, "second");

    RecordingSink boxes;
    TrpReport report;
    Load(report, b.bytes);
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(report.Pages.Count(), 1u);
    TrpPage* page = report.Pages[0];
    EXPECT_EQ(page->Name, "Page1");
    EXPECT_EQ(page->PaperSize, 9);
    EXPECT_EQ(page->LeftMargin, 1);
    EXPECT_EQ(page->BottomMargin, 4);
    EXPECT_TRUE(page->UseMargins);
    EXPECT_EQ(page->Caption, "Form"); // dialog fields keep their defaults
    ASSERT_EQ(page->Count(), 2u);
    auto* first = static_cast<TrpMemoView*>(page->Object(0));
    auto* second = static_cast<TrpMemoView*>(page->Object(1));
    EXPECT_EQ(first->Name, "Memo1");
    EXPECT_EQ(second->Name, "Memo2");
    EXPECT_EQ(first->Memo, TrpStrings{"first"});
    EXPECT_EQ(second->Left, 20);
    EXPECT_EQ(first->Flags, kMemoWordWrap);
    EXPECT_EQ(first->Font.Name, "Times");
    EXPECT_EQ(first->Font.Charset, kDefaultCharset);
    EXPECT_EQ(first->Highlight.Condition, "[X]=1");
    EXPECT_TRUE(first->ScriptText.empty());
}

// A version-23 text object body: stored name, script and visibility, no
// designer fields, gaps or spacing.
void Version23MemoBody(ByteImage& b, const std::string& name) {
    b.Str(name).I32(1).I32(2).I32(3).I32(4).I16(3).I16(8).I32(2500).I32(0).I16(2).I32(0xFF);
    b.I32(600).Str("0.00").List({"[A]"}).List({"x := 1;"}).I16(0).U8(3);
    b.Str("Verdana").I32(9).I16(1).I32(0).I32(2).I16(204);
    b.I16(2).I32(0).I32(0xFFFFFF).Str("");
}

TEST(TrpTemplateReaderTest, Version23RecordsAndRenamedClasses) {
    ByteImage b;
    b.U8(23).I16(1).I16(0).Str("Office");
    b.U8(255).I32(-1).I32(9).I32(2100).I32(2970).I32(0).I32(0).I32(0).I32(0).U8(0);
    b.I16(0).I16(1).I32(1).I32(0);
    b.U8(0).U8(0);
    Version23MemoBody(b, "Total");
    // An old framed text object: a text object and 8 bytes of its own.
    b.U8(10).Str("TrpFramedMemoView").U8(0);
    Version23MemoBody(b, "Framed");
    b.I32(0x11111111).I32(0x22222222);
    b.U8(10).Str("TrpTableLookupControl").U8(0);

    RecordingSink boxes;
    TrpReport report;
    Load(report, b.bytes);
    EXPECT_TRUE(report.UseDefaultPrinter);
    EXPECT_EQ(report.PrinterName, "Office");
    ASSERT_EQ(report.Pages.Count(), 1u);
    EXPECT_EQ(report.Pages[0]->Name, "Page1");
    EXPECT_EQ(report.Pages[0]->PaperBin, kStoredDefaultPaperBin);
    ASSERT_EQ(report.Pages[0]->Count(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        auto* memo = static_cast<TrpMemoView*>(report.Pages[0]->Object(i));
        EXPECT_EQ(memo->ObjectType, kTypeMemo);
        EXPECT_EQ(memo->ScriptText, TrpStrings{"x := 1;"});
        EXPECT_FALSE(memo->Visible);
        EXPECT_DOUBLE_EQ(memo->FrameWidth, 2.5);
        EXPECT_EQ(memo->BandAlign, kAlignCenter);
        EXPECT_EQ(memo->Font.Charset, 204);
        EXPECT_EQ(memo->Flags, 3); // no forced word wrap after version 21
        EXPECT_EQ(memo->GapX, 2);  // not stored before version 24
        EXPECT_EQ(memo->LineSpacing, 2);
    }
    EXPECT_EQ(report.Pages[0]->Object(0)->Name, "Total");
    EXPECT_EQ(report.Pages[0]->Object(1)->Name, "Framed");
    // Both lookup controls are known by one class name, which is missing.
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find(":\nTrpDBLookupControl\nUse"), std::string::npos);
}

TEST(TrpTemplateReaderTest, UnknownClassSkippedByItsEndOffset) {
    TrpReport source;
    TrpPage* page = source.Pages.Add();
    auto* line = page->CreateView(kTypeLine);
    line->Width = 123;
    V24Image image;
    image.Page(*page);
    // An extension object no class is registered for.
    image.out->WriteByte(10);
    image.out->WriteString("TrpChartView");
    image.out->WriteByte(0);
    std::int64_t at = image.out->WritePlaceholder();
    image.out->WriteBytes(QByteArray(40, '\x07'));
    image.out->PatchEndOffset(at);
    // A known object with trailing data its reader does not know.
    image.Object(*line, 0, QByteArray("future fields"));

    RecordingSink boxes;
    TrpReport report;
    Load(report, image.bytes);
    ASSERT_EQ(report.Pages.Count(), 1u);
    ASSERT_EQ(report.Pages[0]->Count(), 1u);
    EXPECT_EQ(report.Pages[0]->Object(0)->Width, 123);
    EXPECT_EQ(report.Pages[0]->Object(0)->Name, "Line1");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].icon, TrpMessageIcon::Error);
    EXPECT_EQ(boxes.boxes[0].text,
              "Opened report contains the following non-plugged components:\nTrpChartView\n"
              "Use appropriate component from RP component palette");
}

TEST(TrpTemplateReaderTest, DamagedObjectRecordsAreDroppedAndReadingGoesOn) {
    TrpReport source;
    TrpPage* page = source.Pages.Add();
    auto* memo = page->CreateView(kTypeMemo);
    auto* line = page->CreateView(kTypeLine);
    V24Image image;
    image.Page(*page);
    image.Object(*memo, 7); // no page 7
    // A body cut short: its end offset lies before the body's end.
    image.out->WriteByte(kTypeMemo);
    image.out->WriteByte(0);
    image.out->WriteI32(static_cast<std::int32_t>(image.out->Position() + 4 + 10));
    image.out->WriteBytes(QByteArray(10, '\0'));
    image.Object(*line, 0);

    RecordingSink boxes;
    TrpReport report;
    Load(report, image.bytes);
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(report.Pages[0]->Count(), 1u);
    EXPECT_EQ(report.Pages[0]->Object(0)->ObjectType, kTypeLine);
}

TEST(TrpTemplateReaderTest, OldPageRecordInACurrentFile) {
    TrpReport source;
    TrpPage* page = source.Pages.Add();
    page->CreateView(kTypeLine)->Height = 55;
    V24Image image;
    image.out->WriteByte(255);
    image.out->WriteI32(9); // paper size, no marker
    for (int v : {2100, 2970, 0, 0, 0, 0})
        image.out->WriteI32(v);
    image.out->WriteByte(0);
    image.out->WriteI32(-1);
    image.out->WriteU16(1);
    image.out->WriteU16(0);
    image.out->WriteI32(1);
    image.out->WriteI32(0);
    image.out->WriteByte(ptDialog);
    image.out->WriteString("Old");
    image.out->WriteByte(1); // stored sizeable border
    image.out->WriteString("Cap");
    image.out->WriteI32(0x00102030);
    for (int v : {5, 6, 7, 8})
        image.out->WriteI32(v);
    image.out->WriteByte(7); // any nonzero position: screen centre
    // No page script: an object record follows at once.
    image.Object(*page->Object(0), 0);

    TrpReport report;
    Load(report, image.bytes);
    ASSERT_EQ(report.Pages.Count(), 1u);
    TrpPage* read = report.Pages[0];
    EXPECT_EQ(read->Name, "Old");
    EXPECT_EQ(read->PaperSize, 9);
    EXPECT_TRUE(read->PrintToPrevPage);
    EXPECT_FALSE(read->UseMargins);
    EXPECT_EQ(read->PageType, ptDialog);
    EXPECT_EQ(read->BorderStyle, bsSizeable);
    EXPECT_EQ(read->Position, poScreenCenter);
    EXPECT_EQ(read->DialogHeight, 8);
    EXPECT_TRUE(read->Script.empty());
    ASSERT_EQ(read->Count(), 1u);
    EXPECT_EQ(read->Object(0)->Height, 55);
}

TEST(TrpTemplateReaderTest, FailuresAndWhatTheyLeave) {
    RecordingSink boxes;
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    page->CreateView(kTypeMemo);
    page->CreateView(kTypeLine);
    const QByteArray good = Save(report);
    // The dictionary chunk: its tag and this system's marker.
    const qsizetype dictionary = good.lastIndexOf(QByteArray("\xFE\xFE\xFF", 3));
    ASSERT_GT(dictionary, 0);
    report.Dictionary.Variables.Set("v", TrpValue(std::string("1")));

    // An empty stream empties the dictionary and keeps the pages.
    Load(report, QByteArray());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(report.Dictionary.Variables.Count(), 0);
    ASSERT_EQ(report.Pages.Count(), 1u);
    EXPECT_EQ(report.Pages[0]->Count(), 2u);

    // An unknown version: the box, and the previous pages stay.
    report.Dictionary.Variables.Set("v", TrpValue(std::string("1")));
    QByteArray newer = good;
    newer[0] = 25;
    Load(report, newer);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kUnsupported);
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(report.Pages[0]->Count(), 2u);
    EXPECT_EQ(report.Dictionary.Variables.Count(), 0);

    // An invalid tag: the box, and one empty page with the default paper.
    QByteArray damaged = good;
    damaged.insert(dictionary, '\x4D');
    Load(report, damaged);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, kUnsupported);
    ASSERT_EQ(report.Pages.Count(), 1u);
    EXPECT_EQ(report.Pages[0]->Count(), 0u);
    EXPECT_EQ(report.Pages[0]->PaperSize, Printer().DefaultPaper());
    EXPECT_EQ(report.Pages[0]->Orientation, TrpOrientation::Portrait);

    // A stream cut inside the page record fails the same way.
    Load(report, good.left(20));
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(report.Pages.Count(), 1u);

    // A version-24 file ending in an extension block: the rest is ignored.
    QByteArray extension = good;
    extension.insert(dictionary, QByteArray("\xFD garbage \x4D", 11));
    Load(report, extension);
    EXPECT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(report.Pages[0]->Count(), 2u);
}

TEST(TrpTemplateReaderTest, PrinterNameOfTheHeader) {
    TrpReport report;
    Load(report, Save(report));
    EXPECT_EQ(report.PrinterName, "Virtual printer");
    ByteImage b;
    b.U8(24).I16(0).I16(0).Str("No such printer");
    const int selected = Printer().PrinterIndex();
    Load(report, b.bytes);
    EXPECT_EQ(report.PrinterName, "No such printer");
    EXPECT_EQ(Printer().PrinterIndex(), selected);
}

// ---- Dictionary ------------------------------------------------------------------------

TrpDataDictionary ReadDictionaryImage(const QByteArray& bytes, int version = 24) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TrpReadStream in(buffer, version);
    TrpDataDictionary dictionary;
    dictionary.Variables.Set("stale", TrpValue(std::string("x")));
    ReadDictionary(in, dictionary, [](const std::string& name) { return name == "db.\"F\""; });
    EXPECT_TRUE(in.AtEnd());
    return dictionary;
}

std::vector<std::string> Names(const TrpVariables& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list.Name(i) + "=" + ValueToText(list.Value(i)));
    return names;
}

TEST(TrpTemplateReaderTest, DictionaryLayouts) {
    // This system's layout: a later duplicate keeps its place and takes the
    // later value; a first entry outside any category stays a variable.
    ByteImage current;
    current.I16(-2).I32(3).Str("comId").Str("'A'").Str(" Cat").Str("").Str("comId").Str("'B'");
    current.I32(1).Str("db.\"G\"").Str("").I32(1).Str("k").Str("");
    TrpDataDictionary d = ReadDictionaryImage(current.bytes);
    EXPECT_EQ(Names(d.Variables), (std::vector<std::string>{"comId='B'", " Cat="}));
    EXPECT_EQ(Names(d.Aliases), std::vector<std::string>{"db.\"G\"="});
    EXPECT_EQ(Names(d.ThirdList), std::vector<std::string>{"k="});

    // The older marker: names turned round, empty aliases dropped unless
    // they name a field, empty third-list entries dropped.
    ByteImage older;
    older.I16(-1).I32(2).Str("Cat").Str("").Str(" v").Str("1");
    older.I32(2).Str("db.\"F\"").Str("").Str("db.\"G\"").Str("");
    older.I32(2).Str("k").Str("").Str("m").Str("n");
    d = ReadDictionaryImage(older.bytes);
    EXPECT_EQ(Names(d.Variables), (std::vector<std::string>{" Cat=", "v=1"}));
    EXPECT_EQ(Names(d.Aliases), std::vector<std::string>{"db.\"F\"="});
    EXPECT_EQ(Names(d.ThirdList), std::vector<std::string>{"m=n"});

    // The legacy layout: entries parked by name, then placed by the list.
    auto shortString = [](ByteImage& b, const std::string& s) {
        b.U8(static_cast<int>(s.size()));
        b.bytes.append(s.data(), static_cast<qsizetype>(s.size()));
    };
    ByteImage legacy;
    legacy.I32(4);
    legacy.U8(1).I32(0);
    shortString(legacy, "dbDetail");
    shortString(legacy, "Amount");
    shortString(legacy, "Amt");
    legacy.U8(2).I32(4);
    shortString(legacy, "");
    shortString(legacy, "");
    shortString(legacy, "Today");
    legacy.U8(2).I32(1);
    shortString(legacy, "");
    shortString(legacy, "'x'");
    shortString(legacy, "Lit");
    legacy.U8(2).I32(99); // beyond the special names: empty
    shortString(legacy, "");
    shortString(legacy, "");
    shortString(legacy, "Odd");
    legacy.ZList({"Payment", " Amt", " Today", " Lit", " Odd", " Missing"});
    d = ReadDictionaryImage(legacy.bytes, 22);
    EXPECT_EQ(Names(d.Variables),
              (std::vector<std::string>{" Payment=", "Amt=dbDetail.\"Amount\"", "Today=DATE",
                                        "Lit='x'", "Odd=", "Missing="}));
    EXPECT_EQ(d.Aliases.Count(), 0);

    // Counts that cannot fit in what remains fail before anything is allocated.
    ByteImage huge;
    huge.I16(-2).I32(0x7FFFFFFF);
    EXPECT_THROW(ReadDictionaryImage(huge.bytes), ETrpTemplateError);
    ByteImage negative;
    negative.I16(-2).I32(-1);
    EXPECT_THROW(ReadDictionaryImage(negative.bytes), ETrpTemplateError);
}

// ---- Files -------------------------------------------------------------------------------

TEST(TrpTemplateReaderTest, LoadAndSaveFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("Payment.rpf").toStdString();

    TrpReport report;
    report.Pages.Add()->CreateView(kTypeMemo)->Memo = {"[comId]"};
    EXPECT_FALSE(report.LoadFromFile(path));
    EXPECT_EQ(report.Pages.Count(), 1u);
    report.SaveToFile(path);

    TrpReport loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(loaded.FileName, path);
    ASSERT_EQ(loaded.Pages.Count(), 1u);
    ASSERT_EQ(loaded.Pages[0]->Count(), 1u);
    EXPECT_EQ(loaded.Pages[0]->Object(0)->Memo, TrpStrings{"[comId]"});
}

} // namespace
