// TQVXPSpeedButton: a flat push button that draws itself. The face is plain
// until the mouse is over it; then it shows a one-pixel border and a
// highlight colour, and its picture (glyph) lifts one pixel up and left over
// a grey drop shadow. Not hovered, or disabled, the glyph is faded (and grey
// when disabled). It draws no caption: any text belongs to the glyph.
//
// States (press state x mouse inside):
//   up      --left button down (enabled)--> down
//   down    --any button up------------->  up
//   up/down --disabled-------------------> disabled
//   disabled --enabled-------------------> up
//   mouse inside: false --enter--> true --leave--> false
// Painting also forces `disabled` while the button is not enabled. Every
// change of state or property repaints; a setter given the value the
// property already has does not.
//
// Colours are QColor values; the transparent colour of a glyph is the colour
// of its bottom-left pixel.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

namespace morvane {

class TQVXPSpeedButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(QColor ColorBorder READ ColorBorder WRITE SetColorBorder)
    Q_PROPERTY(QColor ColorFocused READ ColorFocused WRITE SetColorFocused)
    Q_PROPERTY(QColor ColorDown READ ColorDown WRITE SetColorDown)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE SetLayout)

public:
    // Where the glyph would sit; stored and published, but drawing always
    // centres the glyph.
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)

    enum class TButtonState { Up, Disabled, Down };

    static constexpr int kDefaultSize = 25;

    explicit TQVXPSpeedButton(QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    void SetColor(const QColor& c);
    QColor ColorBorder() const { return colorBorder_; }
    void SetColorBorder(const QColor& c);
    QColor ColorFocused() const { return colorFocused_; }
    void SetColorFocused(const QColor& c);
    QColor ColorDown() const { return colorDown_; }
    void SetColorDown(const QColor& c);

    // The owned picture; assigning copies the given image.
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);

    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);

    bool MouseInside() const { return mouseInside_; }
    TButtonState State() const { return state_; }

    // The button's look in its present state, as one image of its size:
    // exactly what paintEvent copies onto the screen.
    QImage PaintImage();

    QSize sizeHint() const override { return {kDefaultSize, kDefaultSize}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetColorMember(QColor& member, const QColor& value);

    QColor color_{219, 216, 209};
    QColor colorBorder_{10, 36, 106};
    QColor colorFocused_{182, 189, 210};
    QColor colorDown_{133, 146, 181};
    QImage glyph_;
    TButtonLayout layout_ = blGlyphLeft;
    bool mouseInside_ = false;
    TButtonState state_ = TButtonState::Up;
};

} // namespace morvane
