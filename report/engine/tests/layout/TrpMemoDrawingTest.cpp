// Drawing text objects and pictures: where the ink of each alignment lands
// (horizontal, justified, vertical, rotated), underlines and the highlight,
// checked on the pixels of QImages. A sample sheet of every kind is also
// written as PNG files to the test's temporary directory
// (report_layout/), to be looked at.
#include "LayoutTestSupport.h"
#include "TrpHighlightScope.h"
#include "TrpMemoLayout.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpParagraphMark.h"
#include "TrpPictureView.h"
#include "TrpReport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

using namespace report;
using layout_test::InkBounds;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
const char* const kText = "Every line of this text is laid out once and drawn at any scale.";

class TrpMemoDrawingTest : public ::testing::Test {
protected:
    void SetUp() override { layout_test::EnsureGuiApplication(); }

    // A frameless text object at 10,10 of w x h.
    static std::unique_ptr<TrpMemoView> Memo(int w, int h, std::int32_t alignment,
                                             TrpStrings text = {kText}) {
        auto view = std::make_unique<TrpMemoView>();
        view->SetBounds(10, 10, w, h);
        view->Alignment = alignment;
        view->ResultMemo = std::move(text);
        return view;
    }

    static QImage Render(TrpView& view, int w = 240, int h = 240, double scale = 1) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(kWhite);
        QPainter painter(&image);
        view.ScaleX = view.ScaleY = scale;
        view.Draw(painter);
        return image;
    }

    // The ink inside the object's rectangle at scale 1.
    static QRect Ink(const QImage& image, const TrpView& view) {
        return InkBounds(image, QRect(view.Left, view.Top, view.Width, view.Height), kWhite);
    }

    static void Save(const QImage& image, const char* name) {
        const QString dir = QString::fromStdString(::testing::TempDir()) + "report_layout/";
        QDir().mkpath(dir);
        ASSERT_TRUE(image.save(dir + name + ".png"));
    }
};

// The ink of one laid-out line (0-based) of a horizontal text at scale 1.
QRect LineInk(const QImage& image, const TrpMemoView& view, int line) {
    const int pitch = view.LineHeight;
    return InkBounds(
        image, QRect(view.Left, view.Top + view.GapY + line * pitch, view.Width, pitch), kWhite);
}

} // namespace

TEST_F(TrpMemoDrawingTest, HorizontalAlignmentsPlaceEachLine) {
    auto left = Memo(200, 60, kTextAlignLeft, {"Short"});
    QImage image = Render(*left);
    QRect ink = Ink(image, *left);
    EXPECT_NEAR(ink.left(), 10 + 2, 2);
    EXPECT_NEAR(ink.top(), 10 + 1 + 2, 3); // GapY, then the internal leading

    auto right = Memo(200, 60, kTextAlignRight, {"Short"});
    image = Render(*right);
    ink = Ink(image, *right);
    // Right edge: DrawRect right - GapX - 1, the advance a little beyond the ink.
    EXPECT_NEAR(ink.right(), 10 + 201 - 2 - 1, 3);

    auto centre = Memo(200, 60, kTextAlignCenter, {"Short"});
    image = Render(*centre);
    ink = Ink(image, *centre);
    EXPECT_NEAR((ink.left() + ink.right()) / 2.0, 10 + 100, 3);
}

TEST_F(TrpMemoDrawingTest, JustifiedTextStretchesAllButTheLastLineOfEachParagraph) {
    auto view = Memo(150, 200, kTextAlignJustify, {kText, "Short end."});
    view->Flags |= kMemoWordWrap;
    QImage image = Render(*view);
    Save(image, "justify");
    ASSERT_GE(view->ResultMemo.size(), 4u);
    const int right = 10 + 151 - 2; // DrawRect right - GapX
    // The first line of a paragraph reaches the right inset...
    EXPECT_NEAR(LineInk(image, *view, 0).right(), right - 1, 3);
    // ...its last line does not, nor does the one-line second paragraph
    // when it is short.
    int lastOfFirst = 0;
    while (!EndsParagraph(view->ResultMemo[static_cast<std::size_t>(lastOfFirst)]))
        ++lastOfFirst;
    EXPECT_LT(LineInk(image, *view, lastOfFirst).right(), right - 20);
    EXPECT_LT(LineInk(image, *view, lastOfFirst + 1).right(), right - 20);
}

TEST_F(TrpMemoDrawingTest, VerticalAlignmentMovesTheBlock) {
    auto middle = Memo(200, 100, kTextAlignMiddle, {"Middle"});
    QImage image = Render(*middle);
    QRect ink = Ink(image, *middle);
    EXPECT_NEAR((ink.top() + ink.bottom()) / 2.0, 10 + 50, 4);

    auto bottom = Memo(200, 100, kTextAlignBottom, {"Bottom"});
    image = Render(*bottom);
    ink = Ink(image, *bottom);
    // The text block (16 - 2 + 2 x GapY) ends 1 pixel above the bottom edge;
    // the glyphs sit a few pixels above that.
    EXPECT_GT(ink.bottom(), 10 + 100 - 8);
    EXPECT_LE(ink.bottom(), 10 + 100);
}

TEST_F(TrpMemoDrawingTest, RotatedTextReadsUpwardsAndAlignsAlongTheHeight) {
    auto up = Memo(60, 200, kTextRotated | kTextAlignLeft, {"Rotated"});
    QImage image = Render(*up);
    QRect ink = Ink(image, *up);
    EXPECT_GT(ink.height(), 2 * ink.width());
    EXPECT_NEAR(ink.bottom(), 10 + 201 - 1 - 1, 3); // DrawRect bottom - GapY
    EXPECT_NEAR(ink.left(), 10 + 2 + 2, 3);         // GapX, then the leading

    auto right = Memo(60, 200, kTextRotated | kTextAlignRight, {"Rotated"});
    image = Render(*right);
    EXPECT_NEAR(Ink(image, *right).top(), 10 + 1, 3);

    auto centre = Memo(60, 200, kTextRotated | kTextAlignCenter, {"Rotated"});
    image = Render(*centre);
    ink = Ink(image, *centre);
    EXPECT_NEAR((ink.top() + ink.bottom()) / 2.0, 10 + 100, 3);

    // Justified: a line cut inside its paragraph spreads over the height,
    // the last line of a paragraph does not. The closing mark line says
    // the text is already wrapped.
    auto spread = Memo(60, 200, kTextRotated | kTextAlignJustify, {"a b c d e f", "\x01"});
    image = Render(*spread);
    ink = Ink(image, *spread);
    EXPECT_GT(ink.height(), 200 - 2 * 1 - 10);
    auto last = Memo(60, 200, kTextRotated | kTextAlignJustify, {"a b c d e f\x01"});
    image = Render(*last);
    EXPECT_LT(Ink(image, *last).height(), 100);
}

TEST_F(TrpMemoDrawingTest, UnderlinesRuleEveryLinePitch) {
    auto view = Memo(120, 80, kTextAlignLeft, {"a", "b"});
    view->Flags |= kMemoUnderlines;
    view->FrameColor = 0x0000FF; // red as 0x00BBGGRR
    QImage image = Render(*view);
    // Pitch 2 + 13 = 15; rows at 10 + 1 + 15 i + 2 + 13, for 80 / 15 = 5 lines.
    for (int i = 0; i < 5; ++i) {
        const int y = 10 + 1 + 15 * i + 2 + 13;
        EXPECT_EQ(image.pixel(10, y), qRgb(255, 0, 0)) << i;
        EXPECT_EQ(image.pixel(10 + 119, y), qRgb(255, 0, 0)) << i;
        EXPECT_EQ(image.pixel(10 + 120, y), kWhite) << i;
    }
    EXPECT_NE(image.pixel(10, 10 + 1 + 15 * 5 + 2 + 13), qRgb(255, 0, 0));
}

TEST_F(TrpMemoDrawingTest, AHighlightedObjectUsesTheHighlightColours) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    auto* view = static_cast<TrpMemoView*>(page->Add(Memo(120, 40, kTextAlignLeft, {"Hi"})));
    view->Highlight.Condition = "TRUE";
    view->Highlight.FontColor = 0x0000FF;
    view->Highlight.FillColor = 0x00FFFF; // yellow
    report.Evaluator = [](const std::string&) { return TrpValue(true); };
    QImage image;
    {
        TrpHighlightScope scope(*view);
        EXPECT_TRUE(scope.Active());
        image = Render(*view);
    }
    EXPECT_EQ(image.pixel(10 + 100, 10 + 30), qRgb(255, 255, 0));
    const QRect ink = InkBounds(image, QRect(10, 10, 40, 20), qRgb(255, 255, 0));
    ASSERT_FALSE(ink.isNull());
    bool red = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            red = red || image.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);
    EXPECT_EQ(view->FillColor, kClTransparent);
    EXPECT_EQ(view->Font.Color, kClBlack);
}

// A sheet of samples, written at 100 % and at 200 % for looking at.
TEST_F(TrpMemoDrawingTest, SampleSheet) {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    struct Sample {
        std::int32_t alignment;
        std::uint16_t extraFlags;
        TrpStrings text;
    };
    const Sample samples[] = {
        {kTextAlignLeft, kMemoWordWrap, {kText}},
        {kTextAlignRight, kMemoWordWrap, {kText}},
        {kTextAlignCenter, kMemoWordWrap, {kText}},
        {kTextAlignJustify, kMemoWordWrap, {kText, "Last paragraph."}},
        {kTextAlignCenter | kTextAlignMiddle, kMemoWordWrap, {"Centred, middle"}},
        {kTextAlignRight | kTextAlignBottom, kMemoWordWrap, {"Right, bottom"}},
        {kTextRotated | kTextAlignLeft, 0, {"Rotated left", "second"}},
        {kTextRotated | kTextAlignCenter, 0, {"Rotated centre"}},
        {kTextRotated | kTextAlignRight, 0, {"Rotated right"}},
        {kTextAlignLeft, kMemoWordWrap | kMemoUnderlines, {"Ruled lines under", "each line"}},
        {kTextAlignLeft,
         kMemoWordWrap | kMemoWordBreak,
         {"\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xEE\xEB\xEE\xEA\xEE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC"
          "\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5"}},
        {kTextAlignLeft, kMemoWordWrap, {"Character spacing"}},
        {kTextRotated | kTextAlignJustify,
         kMemoWordWrap,
         {"Rotated and justified over the height"}},
        {kTextAlignLeft, kMemoWordWrap, {"Line spacing of eight pixels"}},
        {kTextAlignCenter, kMemoWordWrap, {"Bold, underlined and struck out"}},
        {kTextAlignJustify | kTextAlignMiddle, kMemoWordWrap, {kText}},
    };
    int i = 0;
    for (const Sample& s : samples) {
        auto view = Memo(150, 80, s.alignment, s.text);
        view->Flags |= s.extraFlags;
        view->SetBounds(10 + (i % 4) * 165, 10 + (i / 4) * 95, 150, 80);
        view->FrameTyp = kFrameAllSides;
        view->FrameColor = 0xA0A0A0;
        if (i == 10)
            view->Font.Charset = 204; // Russian
        if (i == 11)
            view->CharSpacing = 3;
        if (i == 1)
            view->Font.Name = "Times New Roman";
        if (i == 2) {
            view->Font.Name = "Courier New";
            view->Font.Style = kFontItalic;
        }
        if (i == 9)
            view->FrameColor = 0x808000;
        if (i == 13)
            view->LineSpacing = 8;
        if (i == 14)
            view->Font.Style = kFontBold | kFontUnderline | kFontStrikeOut;
        page->Add(std::move(view));
        ++i;
    }
    // Highlighted: bold, red on yellow.
    auto highlighted = Memo(150, 80, kTextAlignCenter | kTextAlignMiddle, {"Highlighted"});
    highlighted->SetBounds(10, 10 + 4 * 95, 150, 80);
    highlighted->FrameTyp = kFrameAllSides;
    highlighted->Highlight = {kFontBold, 0x0000FF, 0x00FFFF, "TRUE"};
    TrpMemoView* hl = static_cast<TrpMemoView*>(page->Add(std::move(highlighted)));
    report.Evaluator = [](const std::string&) { return TrpValue(true); };

    // Pictures: stretched, keep-aspect centred, unstretched centred.
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(qRgb(30, 120, 200));
    QPainter(&picture).fillRect(0, 0, 20, 10, qRgb(240, 160, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    const std::uint16_t pictureFlags[] = {kFlagStretched, kFlagStretched | kPictureKeepAspect,
                                          kFlagStretched | kPictureKeepAspect | kPictureCenter,
                                          kPictureCenter};
    const int pictureLeft[] = {175, 310, 445, 580};
    int p = 0;
    for (std::uint16_t flags : pictureFlags) {
        auto pv = std::make_unique<TrpPictureView>();
        pv->SetBounds(pictureLeft[p], 10 + 4 * 95, p == 3 ? 90 : 120, 80);
        pv->Flags = flags;
        pv->FrameTyp = kFrameAllSides;
        pv->Picture.AssignDecodedBitmap(std::string(png.constData(), png.size()));
        page->Add(std::move(pv));
        ++p;
    }

    for (double scale : {0.5, 1.0, 2.0}) {
        QImage sheet(static_cast<int>(680 * scale), static_cast<int>(495 * scale),
                     QImage::Format_RGB32);
        sheet.fill(kWhite);
        QPainter painter(&sheet);
        for (std::size_t k = 0; k < page->Count(); ++k) {
            TrpView* view = page->Object(k);
            if (auto* memo = dynamic_cast<TrpMemoView*>(view)) {
                // Generated pages draw at their scale; templates at 1.
                report.Generating = true;
                memo->ScaleX = memo->ScaleY = scale;
                if (memo == hl) {
                    TrpHighlightScope scope(*memo);
                    memo->Draw(painter);
                } else {
                    memo->Draw(painter);
                }
                report.Generating = false;
            } else {
                report.Generating = true;
                view->ScaleX = view->ScaleY = scale;
                view->Draw(painter);
                report.Generating = false;
            }
        }
        painter.end();
        Save(sheet, scale == 1.0 ? "sample_sheet"
                    : scale < 1  ? "sample_sheet_50"
                                 : "sample_sheet_200");
    }
    SUCCEED();
}
