// Toolbar buttons: picture strips, the flat and greyed-inactive looks under
// and away from the mouse, pressing, toggle groups and the separator.
#include "PreviewTestSupport.h"
#include "TrpSpeedButton.h"
#include "TrpTBButton.h"
#include "TrpTBSeparator.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QtTest>

using namespace report;

namespace {

const QColor kKey(255, 0, 255);
const QColor kRed(220, 30, 30);

// A strip of count images of size x size: image i filled in a colour of
// its own, with a key-coloured border of 3 pixels.
QImage Strip(int count, int size, const QColor& colour = kRed) {
    QImage image(count * size, size, QImage::Format_ARGB32);
    image.fill(kKey);
    QPainter p(&image);
    for (int i = 0; i < count; ++i)
        p.fillRect(i * size + 3, 3, size - 6, size - 6, colour.darker(100 + 40 * i));
    return image;
}

QImage Grab(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Enter(QWidget& w) {
    QEnterEvent event(QPointF(5, 5), w.mapToGlobal(QPointF(5, 5)), w.mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(&w, &event);
}

void Leave(QWidget& w) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &event);
}

void Mouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), w.mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

bool IsGrey(const QColor& c) {
    return c.red() == c.green() && c.green() == c.blue();
}

} // namespace

class ButtonsTest : public QObject {
    Q_OBJECT

private slots:
    void stripsAreCountedByWidthOverHeight();
    void transparentColourIsTheBottomLeftPixel();
    void flatGreyedButtonColoursAndFramesUnderTheMouse();
    void withoutGreyedInactiveTheColourPictureShowsWithoutFrame();
    void stateImagesFallBackToTheFirstImage();
    void disabledButtonShowsAnEmbossedShape();
    void groupButtonsActAsRadioButtons();
    void releaseOutsideDoesNotClick();
    void separatorDrawsAnEtchedLine();
};

void ButtonsTest::stripsAreCountedByWidthOverHeight() {
    QCOMPARE(GlyphCountFor(QSize(96, 24)), 4);
    QCOMPARE(GlyphCountFor(QSize(48, 24)), 2);
    QCOMPARE(GlyphCountFor(QSize(24, 24)), 1);
    QCOMPARE(GlyphCountFor(QSize(120, 24)), 1); // five is not below five
    QCOMPARE(GlyphCountFor(QSize(50, 24)), 1);  // not a whole multiple
    QCOMPARE(GlyphCountFor(QSize(0, 0)), 1);
    TrpSpeedButton button;
    button.SetPicture(Strip(4, 24));
    QCOMPARE(button.NumGlyphs(), 4);
    button.SetNumGlyphs(9);
    QCOMPARE(button.NumGlyphs(), 4);
    QCOMPARE(button.size(), QSize(TrpSpeedButton::kDefaultSize, TrpSpeedButton::kDefaultSize));
}

void ButtonsTest::transparentColourIsTheBottomLeftPixel() {
    QImage strip = Strip(1, 16);
    strip.setPixelColor(0, 15, QColor(0, 128, 0));
    TrpSpeedButton button;
    button.SetPicture(strip);
    QCOMPARE(button.TransparentColor(), QColor(0, 128, 0));
    // The key colour is no longer transparent, so the border is drawn.
    button.SetFlat(true);
    button.SetGrayedInactive(false);
    button.resize(22, 22);
    const QImage shot = Grab(button);
    QCOMPARE(shot.pixelColor(4, 4), kKey); // (1 + 3, 1 + 3): picture's own corner
}

void ButtonsTest::flatGreyedButtonColoursAndFramesUnderTheMouse() {
    QWidget parent;
    auto* button = new TrpTBButton(&parent);
    button->setGeometry(0, 0, 24, 24);
    button->SetPicture(Strip(1, 18));
    QCursor::setPos(1000, 1000);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Leave(*button);
    const QColor face = button->palette().color(QPalette::Button);

    QCOMPARE(button->EffectiveState(), TrpButtonState::Inactive);
    QImage shot = Grab(*button);
    QVERIFY2(IsGrey(shot.pixelColor(12, 12)), "grey picture away from the mouse");
    QCOMPARE(QColor(shot.pixelColor(0, 0)).rgb(), QColor(face).rgb());
    QCOMPARE(QColor(shot.pixelColor(23, 23)).rgb(), QColor(face).rgb());
    preview_test::SaveShot(shot, "button-away");

    Enter(*button);
    QVERIFY(button->MouseInControl());
    shot = Grab(*button);
    QCOMPARE(QColor(shot.pixelColor(12, 12)).rgb(), QColor(kRed).rgb());
    QCOMPARE(QColor(shot.pixelColor(0, 0)).rgb(),
             QColor(button->palette().color(QPalette::Light)).rgb());
    QCOMPARE(QColor(shot.pixelColor(23, 23)).rgb(),
             QColor(button->palette().color(QPalette::Dark)).rgb());
    preview_test::SaveShot(shot, "button-hover");

    Mouse(*button, QEvent::MouseButtonPress, QPoint(12, 12), Qt::LeftButton);
    QCOMPARE(button->State(), TrpButtonState::Pressed);
    shot = Grab(*button);
    QCOMPARE(QColor(shot.pixelColor(0, 0)).rgb(),
             QColor(button->palette().color(QPalette::Dark)).rgb());
    QCOMPARE(QColor(shot.pixelColor(23, 23)).rgb(),
             QColor(button->palette().color(QPalette::Light)).rgb());
    // The contents move one pixel right and down: the picture (18 px at 3)
    // starts at 4 instead of 3, after its own 3-pixel see-through border.
    QCOMPARE(QColor(Grab(*button).pixelColor(6, 6)).rgb(), QColor(face).rgb());
    QCOMPARE(QColor(Grab(*button).pixelColor(7, 7)).rgb(), QColor(kRed).rgb());

    QSignalSpy clicks(button, &QAbstractButton::clicked);
    Mouse(*button, QEvent::MouseButtonRelease, QPoint(12, 12), Qt::NoButton);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(button->State(), TrpButtonState::Up);
    Leave(*button);
    QVERIFY(!button->MouseInControl());
    QCOMPARE(button->EffectiveState(), TrpButtonState::Inactive);
}

void ButtonsTest::withoutGreyedInactiveTheColourPictureShowsWithoutFrame() {
    TrpTBButton button;
    button.resize(24, 24);
    button.SetPicture(Strip(1, 18));
    button.SetGrayedInactive(false);
    const QImage shot = Grab(button);
    const QColor face = button.palette().color(QPalette::Button);
    QCOMPARE(QColor(shot.pixelColor(12, 12)).rgb(), QColor(kRed).rgb());
    for (QPoint edge : {QPoint(0, 0), QPoint(23, 0), QPoint(0, 23), QPoint(23, 23), QPoint(12, 0)})
        QCOMPARE(QColor(shot.pixelColor(edge)).rgb(), QColor(face).rgb());
}

void ButtonsTest::stateImagesFallBackToTheFirstImage() {
    TrpButtonGlyphs two;
    two.SetPicture(Strip(2, 10));
    QCOMPARE(two.Image(TrpButtonState::Pressed).pixelColor(5, 5),
             two.Image(TrpButtonState::Up).pixelColor(5, 5));
    QCOMPARE(QColor(two.Image(TrpButtonState::HeldDown).pixelColor(5, 5)).rgb(),
             QColor(kRed).rgb());
    TrpButtonGlyphs four;
    four.SetPicture(Strip(4, 10));
    QCOMPARE(QColor(four.Image(TrpButtonState::Pressed).pixelColor(5, 5)).rgb(),
             QColor(kRed.darker(180)).rgb());
    QCOMPARE(QColor(four.Image(TrpButtonState::HeldDown).pixelColor(5, 5)).rgb(),
             QColor(kRed.darker(220)).rgb());
    QCOMPARE(four.Image(TrpButtonState::Up).pixelColor(0, 0).alpha(), 0);
    // Inactive: v = (77 r + 150 g + 29 b) div 256.
    const QColor up = four.Image(TrpButtonState::Up).pixelColor(5, 5);
    const int v = (77 * up.red() + 150 * up.green() + 29 * up.blue()) / 256;
    QCOMPARE(QColor(four.Image(TrpButtonState::Inactive).pixelColor(5, 5)).rgb(),
             QColor(QColor(v, v, v)).rgb());
}

void ButtonsTest::disabledButtonShowsAnEmbossedShape() {
    TrpButtonGlyphs glyphs;
    const QColor face(200, 200, 200), light(255, 255, 255), dark(100, 100, 100);
    glyphs.SetColours(face, light, dark);
    glyphs.SetPicture(Strip(1, 10));
    const QImage image = glyphs.Image(TrpButtonState::Disabled);
    // Shape pixels 3..6 in shadow, the highlight showing one pixel right
    // and down of the shape only.
    QCOMPARE(QColor(image.pixelColor(3, 3)).rgb(), QColor(dark).rgb());
    QCOMPARE(QColor(image.pixelColor(6, 6)).rgb(), QColor(dark).rgb());
    QCOMPARE(QColor(image.pixelColor(7, 7)).rgb(), QColor(light).rgb());
    QCOMPARE(image.pixelColor(2, 2).alpha(), 0);
    QCOMPARE(image.pixelColor(8, 8).alpha(), 0);

    QWidget parent;
    auto* button = new TrpSpeedButton(&parent);
    button->SetPicture(Strip(1, 10));
    button->setEnabled(false);
    QCOMPARE(button->EffectiveState(), TrpButtonState::Disabled);
    Enter(*button);
    QVERIFY(!button->MouseInControl());
}

void ButtonsTest::groupButtonsActAsRadioButtons() {
    QWidget parent;
    auto* a = new TrpSpeedButton(&parent);
    auto* b = new TrpSpeedButton(&parent);
    auto* other = new TrpSpeedButton(&parent);
    a->SetDown(true);
    QVERIFY2(!a->Down(), "down needs a group");
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    other->SetGroupIndex(2);
    other->SetDown(true);
    const auto click = [](TrpSpeedButton* button) {
        Mouse(*button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
        Mouse(*button, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
    };
    click(a);
    QVERIFY(a->Down());
    QCOMPARE(a->State(), TrpButtonState::HeldDown);
    click(b);
    QVERIFY(b->Down());
    QVERIFY(!a->Down());
    QVERIFY2(other->Down(), "another group is left alone");
    click(b);
    QVERIFY2(b->Down(), "the last down button stays down without allow-all-up");
    b->SetAllowAllUp(true);
    QVERIFY2(a->AllowAllUp(), "the group shares allow-all-up");
    click(b);
    QVERIFY(!b->Down());
}

void ButtonsTest::releaseOutsideDoesNotClick() {
    TrpSpeedButton button;
    button.resize(22, 22);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    Mouse(button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    Mouse(button, QEvent::MouseMove, QPoint(40, 5), Qt::LeftButton);
    QCOMPARE(button.State(), TrpButtonState::Up);
    Mouse(button, QEvent::MouseMove, QPoint(6, 5), Qt::LeftButton);
    QCOMPARE(button.State(), TrpButtonState::Pressed);
    Mouse(button, QEvent::MouseButtonRelease, QPoint(40, 5), Qt::NoButton);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(button.State(), TrpButtonState::Up);
}

void ButtonsTest::separatorDrawsAnEtchedLine() {
    TrpTBSeparator gap;
    gap.resize(8, 24);
    QImage shot = Grab(gap);
    const QPalette& pal = gap.palette();
    QCOMPARE(QColor(shot.pixelColor(3, 12)).rgb(), QColor(pal.color(QPalette::Dark)).rgb());
    QCOMPARE(QColor(shot.pixelColor(4, 12)).rgb(), QColor(pal.color(QPalette::Light)).rgb());
    QCOMPARE(shot.pixelColor(3, 1), pal.color(QPalette::Button)); // two pixels in
    QCOMPARE(QColor(shot.pixelColor(3, 2)).rgb(), QColor(pal.color(QPalette::Dark)).rgb());
    gap.SetAlign(TrpToolbarAlign::Top);
    gap.resize(24, 8);
    shot = Grab(gap);
    QCOMPARE(QColor(shot.pixelColor(12, 3)).rgb(), QColor(pal.color(QPalette::Dark)).rgb());
    QCOMPARE(QColor(shot.pixelColor(12, 4)).rgb(), QColor(pal.color(QPalette::Light)).rgb());
    gap.SetDrawBevel(false);
    QCOMPARE(QColor(Grab(gap).pixelColor(12, 3)).rgb(), QColor(pal.color(QPalette::Button)).rgb());
}

QTEST_MAIN(ButtonsTest)
#include "ButtonsTest.moc"
