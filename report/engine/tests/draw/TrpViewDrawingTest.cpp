// Drawing report objects: the BeginDraw geometry, frames of every style,
// backgrounds, clip regions and line orientation, checked on the pixels of
// a QImage. The images are also written as PNG files to the test's
// temporary directory so that they can be looked at.
#include "TrpLineView.h"
#include "TrpMemoView.h"
#include "TrpReport.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <string>

using namespace report;

namespace {

constexpr QRgb kPaper = 0xFFC0C0C0; // the image's colour before drawing
constexpr QRgb kBlack = 0xFF000000;
constexpr TrpColor kYellow = 0x00FFFF; // platform colours are 0x00BBGGRR
constexpr QRgb kYellowRgb = 0xFFFFFF00;

QImage Paper(int w = 120, int h = 80) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(kPaper);
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y);
}

void Save(const QImage& image, const std::string& name) {
    const QString dir = QString::fromStdString(::testing::TempDir()) + "report_frames/";
    QDir().mkpath(dir);
    image.save(dir + QString::fromStdString(name) + ".png");
    // A copy four times the size, pixel for pixel, to look at the edges.
    image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(dir + QString::fromStdString(name) + "_x4.png");
}

// A framed text object at 20,20 of 60 x 30: edges at x 20 and 80, y 20 and 50.
struct Framed {
    TrpMemoView view;
    explicit Framed(int style, double width = 1, TrpColor fill = kClTransparent) {
        view.SetBounds(20, 20, 60, 30);
        view.FrameTyp = kFrameAllSides;
        view.FrameStyle = static_cast<std::uint16_t>(style);
        view.FrameWidth = width;
        view.FillColor = fill;
    }
    QImage Draw() {
        QImage image = Paper();
        QPainter painter(&image);
        view.Draw(painter);
        return image;
    }
};

// Black pixels on row y from x0 to x1 inclusive.
int BlackOnRow(const QImage& image, int y, int x0, int x1) {
    int count = 0;
    for (int x = x0; x <= x1; ++x)
        count += At(image, x, y) == kBlack;
    return count;
}

} // namespace

TEST(TrpViewDrawingTest, BeginDrawScalesGeometryAndComputesTheInnerRectangle) {
    TrpMemoView view; // on no page: the drawer's scale is kept
    view.SetBounds(10, 20, 100, 50);
    view.FrameWidth = 3;
    view.FrameTyp = kFrameAllSides;
    view.ScaleX = 2;
    view.ScaleY = 1.5;
    view.OffsetX = 5;
    view.OffsetY = 7;
    view.BeginDraw();
    EXPECT_EQ(view.Left, 25);
    EXPECT_EQ(view.Top, 37);
    EXPECT_EQ(view.Width, 200);
    EXPECT_EQ(view.Height, 75);
    EXPECT_DOUBLE_EQ(view.FrameWidth, 6);
    EXPECT_EQ(view.GapX, 7);              // round(3) + round(4)
    EXPECT_EQ(view.GapY, 3);              // round(1.5) = 2, plus round(2.25) / 2
    EXPECT_EQ(view.DrawRect.left, 27);    // + round(2.5) = 2
    EXPECT_EQ(view.DrawRect.top, 39);     // + round(1.75)
    EXPECT_EQ(view.DrawRect.right, 223);  // round(225) - 3 + 1
    EXPECT_EQ(view.DrawRect.bottom, 111); // round(112) - 2 + 1
    view.EndDraw();
    EXPECT_EQ(view.Left, 10);
    EXPECT_EQ(view.Top, 20);
    EXPECT_EQ(view.Width, 100);
    EXPECT_EQ(view.Height, 50);
    EXPECT_DOUBLE_EQ(view.FrameWidth, 3);
    EXPECT_EQ(view.GapX, 2);
    EXPECT_EQ(view.GapY, 1);

    // Unframed sides add nothing.
    view.FrameTyp = 0;
    view.BeginDraw();
    EXPECT_EQ(view.DrawRect, (TrpRect{25, 37, 226, 113}));
    view.EndDraw();

    // A template object drawn while no report generates is drawn unscaled.
    TrpReport report;
    TrpView* onPage = report.Pages.Add()->CreateView(kTypeMemo);
    onPage->SetBounds(10, 20, 100, 50);
    onPage->ScaleX = 2;
    onPage->OffsetX = 5;
    onPage->BeginDraw();
    EXPECT_EQ(onPage->Left, 10);
    EXPECT_EQ(onPage->DrawRect.right, 111);
    onPage->EndDraw();
    EXPECT_DOUBLE_EQ(onPage->ScaleX, 1);
}

TEST(TrpViewDrawingTest, SolidFramesCoverTheirEdgesAtEveryWidthAndScale) {
    Framed thin(kFrameSolid);
    QImage image = thin.Draw();
    Save(image, "frame_solid_1");
    for (int y : {20, 35, 50}) {
        EXPECT_EQ(At(image, 20, y), kBlack) << y;
        EXPECT_EQ(At(image, 80, y), kBlack) << y;
        EXPECT_EQ(At(image, 19, y), kPaper) << y;
        EXPECT_EQ(At(image, 81, y), kPaper) << y;
    }
    EXPECT_EQ(BlackOnRow(image, 20, 20, 80), 61);
    EXPECT_EQ(BlackOnRow(image, 50, 20, 80), 61);
    EXPECT_EQ(At(image, 21, 21), kPaper); // inside: transparent fill leaves it
    EXPECT_EQ(At(image, 50, 35), kPaper);

    Framed thick(kFrameSolid, 3);
    image = thick.Draw();
    Save(image, "frame_solid_3");
    for (int x : {19, 20, 21, 79, 80, 81})
        EXPECT_EQ(At(image, x, 35), kBlack) << x;
    for (int x : {18, 22, 78, 82})
        EXPECT_EQ(At(image, x, 35), kPaper) << x;
    EXPECT_EQ(At(image, 19, 19), kBlack); // the corners close
    EXPECT_EQ(At(image, 81, 51), kBlack);

    // Scale 2: edges at 20 and 80 again, pen width 2 (pixels e-1 and e).
    TrpMemoView scaled;
    scaled.SetBounds(10, 10, 30, 15);
    scaled.FrameTyp = kFrameLeft | kFrameRight;
    scaled.ScaleX = scaled.ScaleY = 2;
    image = Paper();
    {
        QPainter painter(&image);
        scaled.Draw(painter);
    }
    Save(image, "frame_solid_scaled");
    for (int x : {19, 20, 79, 80})
        EXPECT_EQ(At(image, x, 35), kBlack) << x;
    for (int x : {18, 21, 78, 81})
        EXPECT_EQ(At(image, x, 35), kPaper) << x;
    EXPECT_EQ(At(image, 50, 20), kPaper); // no top side
}

TEST(TrpViewDrawingTest, PatternedFramesLeaveGapsInTheFillColour) {
    for (int style : {kFrameDash, kFrameDot, kFrameDashDot, kFrameDashDotDot}) {
        Framed framed(style, 1, kYellow);
        QImage image = framed.Draw();
        Save(image, "frame_style_" + std::to_string(style));
        int black = BlackOnRow(image, 20, 20, 80);
        EXPECT_GT(black, 5) << style;
        EXPECT_LT(black, 55) << style;
        int gaps = 0;
        for (int x = 20; x <= 80; ++x)
            gaps += At(image, x, 20) == kYellowRgb;
        EXPECT_EQ(black + gaps, 61) << style; // every gap pixel is fill colour
        EXPECT_EQ(At(image, 50, 19), kPaper) << style;
        EXPECT_EQ(At(image, 50, 35), kYellowRgb) << style;
    }
    // Three parallel lines for a width of 3, the first one above the edge.
    Framed wide(kFrameDash, 3, kYellow);
    QImage image = wide.Draw();
    Save(image, "frame_style_1_width3");
    for (int y : {19, 20, 21})
        EXPECT_GT(BlackOnRow(image, y, 20, 80), 5) << y;
    EXPECT_EQ(BlackOnRow(image, 18, 0, 119), 0);
    EXPECT_EQ(BlackOnRow(image, 22, 22, 78), 0);
}

TEST(TrpViewDrawingTest, DoubleFramesDrawTwoLinesAndEraseTheEdge) {
    Framed framed(kFrameDouble, 1, kYellow);
    QImage image = framed.Draw();
    Save(image, "frame_double_1");
    EXPECT_EQ(At(image, 50, 19), kBlack);
    EXPECT_EQ(At(image, 50, 21), kBlack);
    EXPECT_EQ(At(image, 50, 20), kYellowRgb); // the edge itself, erased
    EXPECT_EQ(At(image, 50, 18), kPaper);
    EXPECT_EQ(At(image, 19, 35), kBlack);
    EXPECT_EQ(At(image, 21, 35), kBlack);
    EXPECT_EQ(At(image, 20, 35), kYellowRgb);
    EXPECT_EQ(At(image, 79, 35), kBlack);
    EXPECT_EQ(At(image, 81, 35), kBlack);

    Framed thick(kFrameDouble, 3, kYellow);
    image = thick.Draw();
    Save(image, "frame_double_3");
    // Lines at 20-3 and 20+3, three pixels each; the middle three erased.
    for (int y : {16, 17, 18, 22, 23, 24})
        EXPECT_EQ(At(image, 50, y), kBlack) << y;
    for (int y : {19, 20, 21})
        EXPECT_EQ(At(image, 50, y), kYellowRgb) << y;
    EXPECT_EQ(At(image, 50, 15), kPaper);

    // With no fill colour the edge line is not painted at all.
    Framed clear(kFrameDouble, 1);
    image = clear.Draw();
    EXPECT_EQ(At(image, 50, 20), kPaper);
    EXPECT_EQ(At(image, 50, 19), kBlack);
}

TEST(TrpViewDrawingTest, BackgroundCoversTheRectangleUnlessTransparent) {
    TrpMemoView view;
    view.SetBounds(20, 20, 60, 30);
    view.FillColor = kYellow;
    QImage image = Paper();
    {
        QPainter painter(&image);
        view.Draw(painter);
    }
    Save(image, "background");
    EXPECT_EQ(At(image, 20, 20), kYellowRgb);
    EXPECT_EQ(At(image, 80, 50), kYellowRgb);
    EXPECT_EQ(At(image, 81, 35), kPaper);
    EXPECT_EQ(At(image, 50, 51), kPaper);

    // Nothing is drawn in the first pass of a two-pass generation.
    TrpReport report;
    report.TwoPass = true;
    report.Generating = true;
    TrpView* onPage = report.Pages.Add()->CreateView(kTypeMemo);
    onPage->SetBounds(20, 20, 60, 30);
    onPage->FillColor = kYellow;
    onPage->FrameTyp = kFrameAllSides;
    image = Paper();
    {
        QPainter painter(&image);
        onPage->Draw(painter);
        EXPECT_EQ(At(image, 50, 35), kPaper);
        EXPECT_EQ(At(image, 20, 35), kPaper);
        report.FinalPass = true;
        onPage->Draw(painter);
    }
    EXPECT_EQ(At(image, 50, 35), kYellowRgb);
    EXPECT_EQ(At(image, 20, 35), kBlack);
}

TEST(TrpViewDrawingTest, AllFrameStylesOnOneSheet) {
    // For looking at: styles 0..5 in a row, then widths 3 and a scaled one.
    QImage sheet(6 * 100 + 20, 260, QImage::Format_ARGB32);
    sheet.fill(0xFFFFFFFF);
    QPainter painter(&sheet);
    for (int style = 0; style <= 5; ++style) {
        for (int row = 0; row < 2; ++row) {
            TrpMemoView view;
            view.SetBounds(20 + style * 100, 20 + row * 80, 70, 50);
            view.FrameTyp = kFrameAllSides;
            view.FrameStyle = static_cast<std::uint16_t>(style);
            view.FrameWidth = row == 0 ? 1 : 3;
            view.FillColor = kYellow;
            view.Draw(painter);
        }
        TrpMemoView scaled;
        scaled.SetBounds(10 + style * 50, 90, 35, 25);
        scaled.FrameTyp = kFrameAllSides;
        scaled.FrameStyle = static_cast<std::uint16_t>(style);
        scaled.ScaleX = scaled.ScaleY = 2;
        scaled.FillColor = 0xFFFF00; // aqua
        scaled.Draw(painter);
    }
    painter.end();
    Save(sheet, "frame_sheet");
    EXPECT_EQ(sheet.pixel(20, 40), kBlack);
}

TEST(TrpViewDrawingTest, ClipRegionCoversTheObjectAndItsFrame) {
    TrpMemoView view;
    view.SetBounds(10, 20, 100, 50);
    view.FrameWidth = 3;
    EXPECT_EQ(view.GetClipRegion(false).boundingRect(), QRect(10, 20, 101, 51));
    view.FrameTyp = kFrameAllSides;
    // outer = round(1.5) = 2, inner = round(1) = 1
    EXPECT_EQ(view.GetClipRegion(false).boundingRect(), QRect(8, 18, 104, 54));
    EXPECT_EQ(view.GetClipRegion(true).boundingRect(), QRect(-2, 8, 124, 74));
    view.FrameStyle = kFrameDouble;
    // outer = round(4.5) = 4, inner = round(4) = 4
    EXPECT_EQ(view.GetClipRegion(false).boundingRect(), QRect(6, 16, 109, 59));
    view.FrameTyp = kFrameRight;
    EXPECT_EQ(view.GetClipRegion(false).boundingRect(), QRect(10, 20, 105, 51));

    TrpLineView line;
    line.FrameWidth = 3;
    line.SetBounds(10, 20, 0, 100); // vertical: widens left and right only
    EXPECT_EQ(line.GetClipRegion(false).boundingRect(), QRect(8, 20, 4, 101));
    line.SetBounds(10, 20, 100, 0); // horizontal: up and down only
    EXPECT_EQ(line.GetClipRegion(false).boundingRect(), QRect(10, 18, 101, 4));
}

TEST(TrpViewDrawingTest, LinesTurnHorizontalOrVerticalWhenDrawn) {
    QImage image = Paper();
    QPainter painter(&image);
    TrpLineView wide;
    wide.SetBounds(10, 30, 100, 3);
    wide.Draw(painter);
    EXPECT_EQ(wide.Height, 0);
    EXPECT_EQ(wide.Width, 100);
    EXPECT_EQ(wide.FrameTyp, kFrameTop);
    TrpLineView tall;
    tall.SetBounds(60, 5, 3, 60);
    tall.Draw(painter);
    EXPECT_EQ(tall.Width, 0);
    EXPECT_EQ(tall.Height, 60);
    EXPECT_EQ(tall.FrameTyp, kFrameLeft);
    painter.end();
    Save(image, "lines");
    EXPECT_EQ(BlackOnRow(image, 30, 10, 110), 101);
    EXPECT_EQ(At(image, 60, 40), kBlack);
    EXPECT_EQ(At(image, 61, 40), kPaper);

    EXPECT_EQ(tall.CalcHeight(), 60);
    tall.Height = 10;
    EXPECT_EQ(tall.RemainHeight(), 60);
    EXPECT_EQ(tall.MinHeight(), 1);
}
