// Pixel tests of the flat hover button: the button is rendered the way the
// screen gets it (grab of the widget) in each state, with and without a
// glyph, and individual pixels are compared with values worked out by hand
// from the painting rules.
#include "QVUtilities.h"
#include "QVXPSpeedButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

using morvane::TQVXPSpeedButton;
namespace QVU = morvane::QVUtilities;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kInk = qRgb(200, 100, 50);  // faded: (216, 146, 111); grey of that: 163
const QRgb kBright = qRgb(255, 0, 10); // faded: (254, 76, 83)
const QRgb kFadedInk = qRgb(216, 146, 111);
const QRgb kShadow = qRgb(128, 128, 128);

// A 10 x 8 glyph on white (its bottom-left pixel, so white is transparent):
// an ink block over columns 2-7, rows 1-5, and one bright pixel at (9, 0).
QImage TestGlyph() {
    QImage g(10, 8, QImage::Format_RGB32);
    g.fill(kWhite);
    for (int y = 1; y <= 5; ++y)
        for (int x = 2; x <= 7; ++x)
            g.setPixel(x, y, kInk);
    g.setPixel(9, 0, kBright);
    return g;
}

QImage Render(TQVXPSpeedButton& b) {
    return b.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Enter(TQVXPSpeedButton& b) {
    const QPointF p(5, 5);
    QEnterEvent e(p, p, b.mapToGlobal(p));
    QApplication::sendEvent(&b, &e);
}

void Leave(TQVXPSpeedButton& b) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(&b, &e);
}

QString Hex(QRgb c) {
    return QString::asprintf("#%06X", c & 0xFFFFFFu);
}

#define COMPARE_PIXEL(image, x, y, expected) QCOMPARE(Hex((image).pixel((x), (y))), Hex(expected))

} // namespace

class SpeedButtonTest : public QObject {
    Q_OBJECT

private slots:
    // The fade and grey rules round halves to the even neighbour; the usual
    // half-up rounding would give 255 -> 255, 5 -> 80, 15 -> 87.
    void effectsRoundHalfToEven() {
        QImage px(3, 1, QImage::Format_RGB32);
        px.setPixel(0, 0, qRgb(5, 15, 255));
        px.setPixel(1, 0, qRgb(25, 0, 1));
        px.setPixel(2, 0, qRgb(5, 0, 0));
        QImage faded = px;
        QVU::FadeImage(faded);
        QCOMPARE(Hex(faded.pixel(0, 0)), Hex(qRgb(80, 86, 254)));
        QCOMPARE(Hex(faded.pixel(1, 0)), Hex(qRgb(94, 76, 77)));

        QImage grey(2, 1, QImage::Format_RGB32);
        grey.setPixel(0, 0, qRgb(5, 0, 0));  // 1.5 -> 2
        grey.setPixel(1, 0, qRgb(15, 0, 0)); // 4.5 -> 4
        QVU::GreyImage(grey);
        QCOMPARE(Hex(grey.pixel(0, 0)), Hex(qRgb(2, 2, 2)));
        QCOMPARE(Hex(grey.pixel(1, 0)), Hex(qRgb(4, 4, 4)));
    }

    void defaults() {
        TQVXPSpeedButton b;
        QCOMPARE(b.size(), QSize(25, 25));
        QCOMPARE(b.Color(), QColor(219, 216, 209));
        QCOMPARE(b.ColorBorder(), QColor(10, 36, 106));
        QCOMPARE(b.ColorFocused(), QColor(182, 189, 210));
        QCOMPARE(b.ColorDown(), QColor(133, 146, 181));
        QVERIFY(b.Glyph().isNull());
        QCOMPARE(b.Layout(), TQVXPSpeedButton::blGlyphLeft);
    }

    // Without a glyph only the face and the border are drawn; the border
    // shows only while hovered.
    void faceAndBorderWithoutGlyph() {
        TQVXPSpeedButton b;
        const QRgb face = b.Color().rgb();
        QImage plain = Render(b);
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 25; ++x)
                QCOMPARE(Hex(plain.pixel(x, y)), Hex(face));

        Enter(b);
        QVERIFY(b.MouseInside());
        QImage hovered = Render(b);
        for (int i = 0; i < 25; ++i) {
            COMPARE_PIXEL(hovered, i, 0, b.ColorBorder().rgb());
            COMPARE_PIXEL(hovered, i, 24, b.ColorBorder().rgb());
            COMPARE_PIXEL(hovered, 0, i, b.ColorBorder().rgb());
            COMPARE_PIXEL(hovered, 24, i, b.ColorBorder().rgb());
        }
        COMPARE_PIXEL(hovered, 1, 1, b.ColorFocused().rgb());
        COMPARE_PIXEL(hovered, 12, 12, b.ColorFocused().rgb());

        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        QImage down = Render(b);
        COMPARE_PIXEL(down, 0, 0, b.ColorBorder().rgb());
        COMPARE_PIXEL(down, 12, 12, b.ColorDown().rgb());
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));

        Leave(b);
        QImage after = Render(b);
        COMPARE_PIXEL(after, 0, 0, face);
        COMPARE_PIXEL(after, 12, 12, face);
    }

    // Glyph 10 x 8 centred on 25 x 25: resting place (7, 8). The ink block
    // then covers x 9-14, y 9-13 and the bright pixel sits at (16, 8).
    void glyphPlainIsFadedInPlace() {
        TQVXPSpeedButton b;
        b.SetGlyph(TestGlyph());
        QImage img = Render(b);
        COMPARE_PIXEL(img, 9, 9, kFadedInk);
        COMPARE_PIXEL(img, 14, 13, kFadedInk);
        COMPARE_PIXEL(img, 16, 8, qRgb(254, 76, 83));
        // Transparent (white) glyph pixels leave the face showing.
        COMPARE_PIXEL(img, 7, 8, b.Color().rgb());
        COMPARE_PIXEL(img, 15, 14, b.Color().rgb());
        COMPARE_PIXEL(img, 0, 0, b.Color().rgb());
    }

    // Hovered: full colour, lifted to (6, 7), over a grey shadow at (8, 9).
    void glyphHoveredLiftsOverShadow() {
        TQVXPSpeedButton b;
        b.SetGlyph(TestGlyph());
        Enter(b);
        QImage img = Render(b);
        COMPARE_PIXEL(img, 8, 8, kInk);
        COMPARE_PIXEL(img, 13, 12, kInk);
        COMPARE_PIXEL(img, 15, 7, kBright);
        // The shadow shows where the lifted glyph is transparent.
        COMPARE_PIXEL(img, 14, 13, kShadow);
        COMPARE_PIXEL(img, 15, 14, kShadow);
        COMPARE_PIXEL(img, 17, 9, kShadow);
        COMPARE_PIXEL(img, 16, 8, b.ColorFocused().rgb());
        COMPARE_PIXEL(img, 7, 7, b.ColorFocused().rgb());
        COMPARE_PIXEL(img, 0, 0, b.ColorBorder().rgb());
    }

    // Pressed: full colour in the resting place, no shadow; a click fires
    // on release.
    void glyphPressedRestsWithoutShadow() {
        TQVXPSpeedButton b;
        b.SetGlyph(TestGlyph());
        QSignalSpy clicks(&b, &QAbstractButton::clicked);
        Enter(b);
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(b.State(), TQVXPSpeedButton::TButtonState::Down);
        QImage img = Render(b);
        COMPARE_PIXEL(img, 9, 9, kInk);
        COMPARE_PIXEL(img, 16, 8, kBright);
        COMPARE_PIXEL(img, 8, 8, b.ColorDown().rgb());
        COMPARE_PIXEL(img, 15, 14, b.ColorDown().rgb());
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(b.State(), TQVXPSpeedButton::TButtonState::Up);
        QCOMPARE(clicks.count(), 1);
    }

    void rightButtonChangesNothing() {
        TQVXPSpeedButton b;
        b.SetGlyph(TestGlyph());
        Enter(b);
        const QImage before = Render(b);
        QTest::mousePress(&b, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(b.State(), TQVXPSpeedButton::TButtonState::Up);
        QCOMPARE(Render(b), before);
        QTest::mouseRelease(&b, Qt::RightButton, {}, QPoint(5, 5));
    }

    // Disabling a hovered button shows the plain face and a faded grey glyph
    // at once; enabling it again returns to the hovered look.
    void disabledIsPlainAndGrey() {
        TQVXPSpeedButton b;
        b.SetGlyph(TestGlyph());
        Enter(b);
        b.setEnabled(false);
        QCOMPARE(b.State(), TQVXPSpeedButton::TButtonState::Disabled);
        QImage img = Render(b);
        COMPARE_PIXEL(img, 0, 0, b.Color().rgb());
        COMPARE_PIXEL(img, 1, 1, b.Color().rgb());
        COMPARE_PIXEL(img, 9, 9, qRgb(163, 163, 163));
        // bright (254, 76, 83) as grey: 76.2 + 44.84 + 9.13 = 130.17
        COMPARE_PIXEL(img, 16, 8, qRgb(130, 130, 130));
        COMPARE_PIXEL(img, 15, 14, b.Color().rgb());

        b.setEnabled(true);
        QCOMPARE(b.State(), TQVXPSpeedButton::TButtonState::Up);
        COMPARE_PIXEL(Render(b), 8, 8, kInk);
    }

    // A glyph larger than the button is centred (negative offset) and cut
    // to the button's area without crashing.
    void oversizedGlyphIsClipped() {
        TQVXPSpeedButton b;
        QImage big(40, 30, QImage::Format_RGB32);
        big.fill(kInk);
        big.setPixel(0, 29, kWhite);
        b.SetGlyph(big);
        QImage img = Render(b);
        QCOMPARE(img.size(), QSize(25, 25));
        // Glyph pixel (12, 12) lands at button (12 - 8, 12 - 3) = (4, 9).
        COMPARE_PIXEL(img, 4, 9, kFadedInk);
    }

    // The layout is stored but the glyph stays centred.
    void layoutDoesNotMoveGlyph() {
        TQVXPSpeedButton b;
        b.SetGlyph(TestGlyph());
        const QImage left = Render(b);
        b.SetLayout(TQVXPSpeedButton::blGlyphBottom);
        QCOMPARE(b.Layout(), TQVXPSpeedButton::blGlyphBottom);
        QCOMPARE(Render(b), left);
    }
};

QTEST_MAIN(SpeedButtonTest)
#include "SpeedButtonTest.moc"
