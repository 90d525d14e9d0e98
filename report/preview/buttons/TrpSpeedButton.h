// TrpSpeedButton: the report windows' windowless-looking push button: a
// picture strip (TrpButtonGlyphs) and an optional one-line caption, a flat
// look that shows a frame only under the mouse, a greyed-inactive look that
// draws the picture grey until the mouse is over it, and toggle groups.
//
// States (State()):
//   up --left press (enabled)--> pressed --release inside--> up, clicked
//   pressed --move outside--> up --move inside--> pressed
//   in a group: release inside toggles Down; a down button shows held down
//   any --disabled--> disabled (painting only; State() keeps the press state)
// Painting uses an effective state: inactive for an enabled flat
// GrayedInactive button not under the mouse, disabled for a disabled one.
//
// Groups: buttons with the same nonzero GroupIndex on the same parent are
// radio buttons; setting one down puts the others up and hands them its
// AllowAllUp. Setting Down without a group is ignored; setting it up is
// refused while AllowAllUp is off.
#pragma once

#include "TrpButtonGlyphs.h"

#include <QAbstractButton>

namespace report {

enum class TrpButtonLayout { GlyphLeft, GlyphRight, GlyphTop, GlyphBottom };

class TrpSpeedButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kDefaultSize = 22;
    static constexpr int kDefaultSpacing = 4;
    // Margin and spacing value that centres / spreads evenly.
    static constexpr int kAuto = -1;

    explicit TrpSpeedButton(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return glyphs_.Picture(); }
    int NumGlyphs() const { return glyphs_.Count(); }
    void SetNumGlyphs(int count);
    QColor TransparentColor() const { return glyphs_.Transparent(); }
    void SetTransparentColor(const QColor& colour);

    bool Flat() const { return flat_; }
    void SetFlat(bool flat);
    bool GrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool on);
    TrpButtonLayout Layout() const { return layout_; }
    void SetLayout(TrpButtonLayout layout);
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);

    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool Down() const { return down_; }
    void SetDown(bool down);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);

    bool MouseInControl() const { return mouseInControl_; }
    TrpButtonState State() const { return state_; }
    // The state painting uses now.
    TrpButtonState EffectiveState() const;

    QSize sizeHint() const override { return {kDefaultSize, kDefaultSize}; }

signals:
    void MouseEnter();
    void MouseLeave();
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PaintFace(QPainter& painter, TrpButtonState state) const;
    void PaintContents(QPainter& painter, TrpButtonState state);
    void PaintFrame(QPainter& painter, TrpButtonState state) const;
    void SetMouseInControl(bool inside);
    void UpdateGroup();
    TrpButtonState RestState() const {
        return down_ ? TrpButtonState::HeldDown : TrpButtonState::Up;
    }

    TrpButtonGlyphs glyphs_;
    bool flat_ = false;
    bool grayedInactive_ = true;
    TrpButtonLayout layout_ = TrpButtonLayout::GlyphLeft;
    int margin_ = kAuto;
    int spacing_ = kDefaultSpacing;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool mouseInControl_ = false;
    bool tracking_ = false;
    TrpButtonState state_ = TrpButtonState::Up;
};

} // namespace report
