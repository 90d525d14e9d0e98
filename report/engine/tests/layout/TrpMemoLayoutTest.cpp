// Text objects laid out with the real fonts: font resolution to the
// Liberation faces, measured heights, splitting across pages, the same line
// breaks at every scale, auto width, and the preparation of the text
// (script, event, expansion, highlight) around measuring.
#include "TrpMemoLayout.h"

#include "EnginePixels.h"
#include "LayoutTestSupport.h"
#include "TrpFontMeasurer.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpParagraphMark.h"
#include "TrpReport.h"
#include "TrpReportFonts.h"
#include "TrpTextCodec.h"

#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <gtest/gtest.h>
#include <memory>

using namespace report;

namespace {

const std::string M(1, kParagraphMark);

class TrpMemoLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { layout_test::EnsureGuiApplication(); }

    // A text object of 10 pt Arial with LineSpacing 3: a line is 13 + 3 = 16
    // pixels.
    static void Setup(TrpMemoView& view, int width, int height) {
        view.SetBounds(10, 10, width, height);
        view.LineSpacing = 3;
    }

    static QImage DrawAt(TrpMemoView& view, double scale) {
        QImage image(static_cast<int>(400 * scale), static_cast<int>(300 * scale),
                     QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        view.ScaleX = view.ScaleY = scale;
        view.Draw(painter);
        return image;
    }

    static QtMessageHandler previous_;
    static QStringList warnings_;
    static void Capture(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg)
            warnings_ << text;
    }
};

QtMessageHandler TrpMemoLayoutTest::previous_ = nullptr;
QStringList TrpMemoLayoutTest::warnings_;

const char* const kLongText = "The quick brown fox jumps over the lazy dog while the "
                              "report engine lays out every line at one reference size.";

} // namespace

TEST_F(TrpMemoLayoutTest, WindowsFontNamesResolveToTheLiberationFaces) {
    EXPECT_EQ(TrpReportFonts::FamilyFor("Arial"), "Liberation Sans");
    EXPECT_EQ(TrpReportFonts::FamilyFor("times new roman"), "Liberation Serif");
    EXPECT_EQ(TrpReportFonts::FamilyFor("Courier New"), "Liberation Mono");
    TrpFont arial;
    const QFont font = TrpReportFonts::Make(arial, TrpReportFonts::LayoutPixelHeight(10), 0);
    EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
    EXPECT_EQ(TrpReportFonts::LayoutPixelHeight(10), 13);
    EXPECT_EQ(TrpReportFonts::LayoutPixelHeight(12), 16);
    // Arial's advances: "Hello" is 4667 / 2048 em, 29.6 pixels at 13 pixels;
    // a stand-in face of other metrics (DejaVu Sans: 33) shows at once.
    const TrpFontMeasurer measurer(font, arial.Charset);
    EXPECT_NEAR(measurer.TextWidth("Hello"), 30, 1);
    // Character spacing adds its pixels after every character.
    const TrpFontMeasurer spaced(TrpReportFonts::Make(arial, 13, 2), arial.Charset);
    EXPECT_EQ(spaced.TextWidth("Hello"), measurer.TextWidth("Hello") + 10);
}

TEST_F(TrpMemoLayoutTest, AnUnknownFontIsReplacedWithOneWarning) {
    warnings_.clear();
    previous_ = qInstallMessageHandler(&TrpMemoLayoutTest::Capture);
    TrpFont font;
    font.Name = "Wingdings Imaginary";
    const QFont a = TrpReportFonts::Make(font, 13, 0);
    const QFont b = TrpReportFonts::Make(font, 20, 0);
    qInstallMessageHandler(previous_);
    EXPECT_EQ(QFontInfo(a).family(), "Liberation Sans");
    ASSERT_EQ(warnings_.size(), 1) << warnings_.join("\n").toStdString();
    EXPECT_TRUE(warnings_.front().contains("Wingdings Imaginary"));
}

TEST_F(TrpMemoLayoutTest, TextIsDecodedByTheFontsCharacterSet) {
    EXPECT_EQ(DecodeReportText("\xEC", 204), QString(QChar(0x043C))); // Cyrillic em
    EXPECT_EQ(DecodeReportText("\xEC", 1), QString(QChar(0x00EC)));   // i grave
    EXPECT_EQ(DecodeReportText("\x80", 0), QString(QChar(0x20AC)));   // euro sign
    EXPECT_EQ(DecodeReportText("\x81", 0), QString(QChar(0x0081)));   // unassigned
}

TEST_F(TrpMemoLayoutTest, MeasuredHeightIsLinesTimesLineHeightPlusBothInsets) {
    TrpMemoView view;
    Setup(view, 200, 20);
    view.Memo = {"one", "two", "three", "four", "five"};
    // 5 lines of 16 pixels and GapY 1 above and below.
    EXPECT_EQ(view.CalcHeight(), 5 * 16 + 2);
    EXPECT_EQ(view.ActualHeight, 82);
    EXPECT_EQ(view.MinHeight(), 16);
    EXPECT_EQ(view.RemainHeight(), 80);
    EXPECT_EQ(view.LayoutState.Mode, TrpLayoutMode::Measured);

    // Rotated text measures across its lines with GapX.
    view.Alignment = kTextRotated;
    view.Height = 200;
    EXPECT_EQ(view.CalcHeight(), 5 * 16 + 2 * 2);

    // An invisible object needs no room.
    view.Visible = false;
    EXPECT_EQ(view.CalcHeight(), 0);

    // A long line wraps into the width; every wrapped line fits.
    TrpMemoView wrapped;
    Setup(wrapped, 150, 20);
    wrapped.Memo = {kLongText};
    const int height = wrapped.CalcHeight();
    const int lines = static_cast<int>(wrapped.LayoutState.KeptLines.size());
    EXPECT_GT(lines, 3);
    EXPECT_EQ(height, lines * 16 + 2);
    const TrpFontMeasurer measurer(TrpReportFonts::Make(wrapped.Font, 13, 0), 1);
    for (const std::string& line : wrapped.LayoutState.KeptLines)
        EXPECT_LE(measurer.TextWidth(WithoutMarks(line)), 150 - 2 * 2) << line;
}

TEST_F(TrpMemoLayoutTest, ASplitTextPrintsTheLinesThatFitAndKeepsTheRest) {
    TrpMemoView view;
    Setup(view, 200, 20);
    for (int i = 1; i <= 10; ++i)
        view.Memo.push_back("line " + std::to_string(i));
    EXPECT_EQ(view.CalcHeight(), 10 * 16 + 2);

    // Four lines fit into 70 pixels (1 + 4 x 16 = 65), not five.
    EXPECT_EQ(TrpMemoLayout::LinesFitting(view, 70), 4);
    EXPECT_EQ(TrpMemoLayout::TakePart(view, 70), 4);
    EXPECT_EQ(view.ResultMemo,
              (TrpStrings{"line 1" + M, "line 2" + M, "line 3" + M, "line 4" + M}));
    EXPECT_EQ(view.LayoutState.Mode, TrpLayoutMode::SplitPart);
    EXPECT_EQ(view.RemainHeight(), 6 * 16);

    // The next page takes the other six.
    EXPECT_EQ(TrpMemoLayout::TakePart(view, 6 * 16 + 2 + 1), 6);
    ASSERT_EQ(view.ResultMemo.size(), 6u);
    EXPECT_EQ(view.ResultMemo.front(), "line 5" + M);
    EXPECT_EQ(view.ResultMemo.back(), "line 10" + M);
    EXPECT_EQ(view.RemainHeight(), 0);

    // A part cut out of one wrapped paragraph has no mark of its own; it is
    // marked so that drawing takes its lines as they are.
    TrpMemoView wrapped;
    Setup(wrapped, 150, 20);
    wrapped.Memo = {kLongText};
    wrapped.CalcHeight();
    const TrpStrings all = wrapped.LayoutState.KeptLines;
    TrpMemoLayout::TakePart(wrapped, 2 * 16 + 2);
    EXPECT_EQ(wrapped.ResultMemo, (TrpStrings{all[0], all[1], M}));
    QImage image(400, 300, QImage::Format_RGB32);
    QPainter painter(&image);
    wrapped.Draw(painter);
    EXPECT_EQ(wrapped.ResultMemo, (TrpStrings{all[0], all[1]}));
    EXPECT_TRUE(wrapped.LayoutState.AlreadyWrapped);
}

TEST_F(TrpMemoLayoutTest, EveryScaleBreaksTheTextIntoTheSameLines) {
    TrpMemoView view;
    Setup(view, 150, 150);
    view.Memo = {kLongText};
    view.CalcHeight();
    const TrpStrings measured = view.LayoutState.KeptLines;

    for (double scale : {0.5, 1.0, 2.0, 1.37}) {
        TrpMemoView drawn;
        Setup(drawn, 150, 150);
        drawn.ResultMemo = {kLongText};
        const QImage image = DrawAt(drawn, scale);
        EXPECT_EQ(drawn.ResultMemo, measured) << "scale " << scale;
        EXPECT_EQ(drawn.LayoutState.LinesPrinted, static_cast<int>(measured.size()));
        // The ink scales with the drawing.
        const QRect ink = layout_test::InkBounds(image, image.rect(), qRgb(255, 255, 255));
        EXPECT_NEAR(ink.top(), (10 + 1) * scale, 3 * scale + 2) << "scale " << scale;
        EXPECT_LE(ink.right(), (10 + 150) * scale) << "scale " << scale;
    }
}

TEST_F(TrpMemoLayoutTest, APrinterBreaksTheTextAsTheScreenDoes) {
    TrpMemoView view;
    Setup(view, 150, 150);
    view.Memo = {kLongText};
    view.CalcHeight();
    const TrpStrings measured = view.LayoutState.KeptLines;

    const QString file = QString::fromStdString(::testing::TempDir()) + "report_layout_text.pdf";
    {
        QPdfWriter pdf(file);
        pdf.setResolution(600);
        QPainter painter(&pdf);
        TrpMemoView printed;
        Setup(printed, 150, 150);
        printed.ResultMemo = {kLongText};
        printed.ScaleX = printed.ScaleY = 600 / kEnginePixelsPerInch;
        printed.Draw(painter);
        EXPECT_EQ(printed.ResultMemo, measured);
        EXPECT_EQ(printed.LayoutState.LinesPrinted, static_cast<int>(measured.size()));
    }
    EXPECT_GT(QFileInfo(file).size(), 0);
}

TEST_F(TrpMemoLayoutTest, AutoWidthFollowsTheTextAndKeepsARightEdge) {
    TrpMemoView view;
    view.SetBounds(100, 10, 20, 20);
    view.Flags |= kMemoAutoWidth;
    view.ResultMemo = {"Hello", "Hello Hello", ""};
    const TrpFontMeasurer measurer(TrpReportFonts::Make(view.Font, 13, 0), 1);
    const int needed = measurer.TextWidth("Hello Hello") + 1 + 2 * 2 + 1;
    TrpMemoLayout::ApplyAutoWidth(view);
    EXPECT_EQ(view.Width, needed);
    EXPECT_EQ(view.Left, 100);

    TrpMemoView right;
    right.SetBounds(100, 10, 20, 20);
    right.Flags |= kMemoAutoWidth;
    right.Alignment = kTextAlignRight;
    right.ResultMemo = {"Hello Hello"};
    TrpMemoLayout::ApplyAutoWidth(right);
    EXPECT_EQ(right.Left + right.Width, 120);

    // Laid out, an auto-width text does not wrap, whatever the scale.
    view.Flags |= kMemoWordWrap;
    QImage image = DrawAt(view, 0.5);
    EXPECT_EQ(view.ResultMemo.size(), 3u);
    EXPECT_EQ(view.Width, needed);
}

TEST_F(TrpMemoLayoutTest, MeasuringPreparesTheTextThroughTheReportsHooks) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    auto* view = static_cast<TrpMemoView*>(page->Add(std::make_unique<TrpMemoView>()));
    Setup(*view, 200, 20);
    view->Memo = {"[a]", "[b]"};
    int scripts = 0;
    report.RunObjectScript = [&scripts](TrpView&) { ++scripts; };
    report.ExpandMemo = [](TrpView& v) { v.ResultMemo = {"expanded"}; };
    EXPECT_EQ(view->CalcHeight(), 16 + 2);
    EXPECT_EQ(scripts, 1);
    EXPECT_EQ(view->ResultMemo, TrpStrings{"expanded"});

    // An event that changes the text stops the expansion.
    report.OnBeforePrint = [](TrpStrings& memo, TrpView*) { memo = {"x", "y", "z"}; };
    EXPECT_EQ(view->CalcHeight(), 3 * 16 + 2);
    EXPECT_EQ(view->ResultMemo, (TrpStrings{"x", "y", "z"}));

    // A true highlight condition measures in the highlight's (bold) style,
    // which wraps a long text into more lines, and leaves the object's own
    // style afterwards.
    report.OnBeforePrint = nullptr;
    report.ExpandMemo = nullptr;
    std::string words;
    for (int i = 0; i < 40; ++i)
        words += "mmmm ";
    view->Memo = {words};
    view->Width = 240;
    const int regular = view->CalcHeight();
    view->Highlight.Condition = "HIGHLIGHTED";
    report.Evaluator = [](const std::string& e) {
        return TrpValue(std::int64_t{e == "HIGHLIGHTED" ? 1 : 0});
    };
    EXPECT_GT(view->CalcHeight(), regular);
    EXPECT_EQ(view->Font.Style, 0);
    EXPECT_EQ(view->FillColor, kClTransparent);
}

TEST_F(TrpMemoLayoutTest, SettingsFromATemplateCannotMakeDrawingHugeOrEndless) {
    // Font size, spacings and height as a damaged template may give them.
    TrpMemoView view;
    view.SetBounds(0, 0, 100, 2000000000);
    view.Font.Size = 2000000000;
    view.LineSpacing = -2000000000;
    view.CharSpacing = 2000000000;
    view.GapX = view.GapY = 2000000000;
    view.Flags |= kMemoUnderlines | kMemoWordBreak;
    view.Memo = {kLongText, kLongText};
    const int height = view.CalcHeight();
    EXPECT_GT(height, 0);
    // Every part takes at least one line, so splitting ends.
    EXPECT_GE(view.MinHeight(), 1);
    int parts = 0;
    while (view.RemainHeight() > 0 && parts < 1000) {
        TrpMemoLayout::TakePart(view, view.MinHeight() + 2);
        ++parts;
    }
    EXPECT_LT(parts, 1000);

    QImage image(200, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    view.ResultMemo = {kLongText};
    view.Draw(painter);
    view.Font.Size = -5;
    view.LineSpacing = 0;
    view.Draw(painter);
    SUCCEED();
}
