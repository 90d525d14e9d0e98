// TQVXPSpeedButton: state handling and the painting algorithm.
#include "QVXPSpeedButton.h"

#include "QVUtilities.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace morvane {

TQVXPSpeedButton::TQVXPSpeedButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
    resize(kDefaultSize, kDefaultSize);
}

void TQVXPSpeedButton::SetColorMember(QColor& member, const QColor& value) {
    if (member == value)
        return;
    member = value;
    update();
}

void TQVXPSpeedButton::SetColor(const QColor& c) {
    SetColorMember(color_, c);
}
void TQVXPSpeedButton::SetColorBorder(const QColor& c) {
    SetColorMember(colorBorder_, c);
}
void TQVXPSpeedButton::SetColorFocused(const QColor& c) {
    SetColorMember(colorFocused_, c);
}
void TQVXPSpeedButton::SetColorDown(const QColor& c) {
    SetColorMember(colorDown_, c);
}

void TQVXPSpeedButton::SetGlyph(const QImage& glyph) {
    const QImage copy = glyph.convertToFormat(QImage::Format_RGB32);
    if (copy == glyph_)
        return;
    glyph_ = copy;
    update();
}

void TQVXPSpeedButton::SetLayout(TButtonLayout layout) {
    if (layout_ == layout)
        return;
    layout_ = layout;
    update();
}

QImage TQVXPSpeedButton::PaintImage() {
    if (!isEnabled())
        state_ = TButtonState::Disabled;
    const bool disabled = state_ == TButtonState::Disabled;
    const int w = width();
    const int h = height();

    QColor face = color_;
    if (mouseInside_ && !disabled)
        face = state_ == TButtonState::Down ? colorDown_ : colorFocused_;
    const QColor border = (mouseInside_ && !disabled) ? colorBorder_ : color_;

    QImage image(qMax(w, 1), qMax(h, 1), QImage::Format_RGB32);
    image.fill(face);
    {
        QPainter p(&image);
        p.setPen(border);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w - 1, h - 1);
    }

    if (glyph_.isNull())
        return image;

    // The working copy has the glyph's size; only the part of the glyph that
    // lies within the button's area is copied, the rest stays white.
    QImage copy(glyph_.size(), QImage::Format_RGB32);
    copy.fill(Qt::white);
    {
        QPainter p(&copy);
        const QRect part = QRect(QPoint(0, 0), glyph_.size()).intersected(QRect(0, 0, w, h));
        p.drawImage(part.topLeft(), glyph_, part);
    }
    if (!mouseInside_ || disabled)
        QVUtilities::FadeImage(copy);
    if (disabled)
        QVUtilities::GreyImage(copy);

    const QRgb transparent = copy.pixel(0, copy.height() - 1);
    const QImage shadow = QVUtilities::ShadowImage(copy, transparent);

    int x = w / 2 - copy.width() / 2;
    int y = h / 2 - copy.height() / 2;
    if (mouseInside_ && state_ == TButtonState::Up) {
        --x;
        --y;
        QVUtilities::DrawTransparent(image, shadow, QPoint(x + 2, y + 2), transparent);
    }
    QVUtilities::DrawTransparent(image, copy, QPoint(x, y), transparent);
    return image;
}

void TQVXPSpeedButton::paintEvent(QPaintEvent*) {
    const QImage image = PaintImage();
    QPainter p(this);
    p.drawImage(0, 0, image);
}

void TQVXPSpeedButton::enterEvent(QEnterEvent* event) {
    mouseInside_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TQVXPSpeedButton::leaveEvent(QEvent* event) {
    mouseInside_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TQVXPSpeedButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) {
        state_ = TButtonState::Down;
        update();
    }
    QAbstractButton::mousePressEvent(event);
}

void TQVXPSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    state_ = isEnabled() ? TButtonState::Up : TButtonState::Disabled;
    update();
    QAbstractButton::mouseReleaseEvent(event);
}

void TQVXPSpeedButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        state_ = isEnabled() ? TButtonState::Up : TButtonState::Disabled;
        update();
    }
    QAbstractButton::changeEvent(event);
}

} // namespace morvane
