// TrpSpeedButton: painting, mouse tracking and toggle groups.
#include "TrpSpeedButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <qdrawutil.h>

namespace report {
namespace {

// Checker of the held-down face: 8 x 8, white where row and column are both
// even or both odd, the face colour elsewhere.
constexpr int kCheckerSize = 8;
// The disabled caption's embossed colours.
const QColor kEmbossLight(255, 255, 255);
const QColor kEmbossDark(128, 128, 128);

QPixmap Checker(const QColor& face) {
    QImage image(kCheckerSize, kCheckerSize, QImage::Format_RGB32);
    for (int y = 0; y < kCheckerSize; ++y)
        for (int x = 0; x < kCheckerSize; ++x)
            image.setPixelColor(x, y, (x % 2) == (y % 2) ? QColor(Qt::white) : face);
    return QPixmap::fromImage(image);
}

struct Placement {
    QPoint glyph;
    QRect text;
};

// Places picture and caption in client by layout, margin and spacing:
// along the layout axis, margin from the layout side (kAuto centres both
// together) and spacing between them (kAuto spreads them evenly); across
// it, each is centred.
Placement PlaceContents(const QRect& client, QSize glyph, QSize text, TrpButtonLayout layout,
                        int margin, int spacing) {
    const bool horizontal =
        layout == TrpButtonLayout::GlyphLeft || layout == TrpButtonLayout::GlyphRight;
    const int clientLen = horizontal ? client.width() : client.height();
    const int glyphLen = horizontal ? glyph.width() : glyph.height();
    const int textLen = horizontal ? text.width() : text.height();
    if (glyphLen == 0 || textLen == 0)
        spacing = 0;
    if (margin == TrpSpeedButton::kAuto && spacing == TrpSpeedButton::kAuto) {
        margin = (clientLen - glyphLen - textLen) / 3;
        spacing = margin;
    } else if (margin == TrpSpeedButton::kAuto) {
        margin = (clientLen - glyphLen - spacing - textLen) / 2;
    } else if (spacing == TrpSpeedButton::kAuto) {
        spacing = (clientLen - margin - glyphLen - textLen) / 2;
    }
    int glyphPos = margin, textPos = margin + glyphLen + spacing;
    if (layout == TrpButtonLayout::GlyphRight || layout == TrpButtonLayout::GlyphBottom) {
        glyphPos = clientLen - margin - glyphLen;
        textPos = glyphPos - spacing - textLen;
    }
    Placement out;
    if (horizontal) {
        out.glyph = {client.left() + glyphPos,
                     client.top() + (client.height() - glyph.height()) / 2};
        out.text =
            QRect(client.left() + textPos, client.top() + (client.height() - text.height()) / 2,
                  text.width(), text.height());
    } else {
        out.glyph = {client.left() + (client.width() - glyph.width()) / 2, client.top() + glyphPos};
        out.text = QRect(client.left() + (client.width() - text.width()) / 2,
                         client.top() + textPos, text.width(), text.height());
    }
    return out;
}

} // namespace

TrpSpeedButton::TrpSpeedButton(QWidget* parent) : QAbstractButton(parent) {
    resize(kDefaultSize, kDefaultSize);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void TrpSpeedButton::SetPicture(const QImage& picture) {
    glyphs_.SetPicture(picture);
    update();
}
void TrpSpeedButton::SetNumGlyphs(int count) {
    glyphs_.SetCount(count);
    update();
}
void TrpSpeedButton::SetTransparentColor(const QColor& colour) {
    glyphs_.SetTransparent(colour);
    update();
}
void TrpSpeedButton::SetFlat(bool flat) {
    flat_ = flat;
    update();
}
void TrpSpeedButton::SetGrayedInactive(bool on) {
    grayedInactive_ = on;
    update();
}
void TrpSpeedButton::SetLayout(TrpButtonLayout layout) {
    layout_ = layout;
    update();
}
void TrpSpeedButton::SetMargin(int margin) {
    margin_ = std::max(margin, kAuto);
    update();
}
void TrpSpeedButton::SetSpacing(int spacing) {
    spacing_ = spacing;
    update();
}
void TrpSpeedButton::SetAllowAllUp(bool allow) {
    allowAllUp_ = allow;
    UpdateGroup();
}

void TrpSpeedButton::SetGroupIndex(int index) {
    groupIndex_ = index;
    UpdateGroup();
}

void TrpSpeedButton::SetDown(bool down) {
    if (groupIndex_ == 0)
        down = false;
    if (down == down_)
        return;
    if (down_ && !allowAllUp_)
        return;
    down_ = down;
    if (state_ != TrpButtonState::Pressed)
        state_ = RestState();
    update();
    if (down_)
        UpdateGroup();
}

// Tells the other buttons of the group on the same parent: a down button
// puts them up and gives them its AllowAllUp.
void TrpSpeedButton::UpdateGroup() {
    if (groupIndex_ == 0 || !parentWidget())
        return;
    for (auto* other : parentWidget()->findChildren<TrpSpeedButton*>(Qt::FindDirectChildrenOnly)) {
        if (other == this || other->groupIndex_ != groupIndex_)
            continue;
        if (down_ && other->down_) {
            other->down_ = false;
            other->state_ = TrpButtonState::Up;
            other->update();
        }
        other->allowAllUp_ = allowAllUp_;
    }
}

TrpButtonState TrpSpeedButton::EffectiveState() const {
    if (!isEnabled())
        return TrpButtonState::Disabled;
    if (grayedInactive_ && flat_ && !mouseInControl_)
        return TrpButtonState::Inactive;
    // The press state of an enabled button; a disabled one that came back
    // shows its rest look.
    return state_ == TrpButtonState::Disabled ? RestState() : state_;
}

void TrpSpeedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TrpButtonState state = EffectiveState();
    glyphs_.SetColours(palette().color(QPalette::Button), palette().color(QPalette::Light),
                       palette().color(QPalette::Dark));
    PaintFace(painter, state);
    PaintContents(painter, state);
    PaintFrame(painter, state);
}

void TrpSpeedButton::PaintFace(QPainter& painter, TrpButtonState state) const {
    const QColor face = palette().color(QPalette::Button);
    const QRect all = rect();
    bool checker = false;
    if (flat_) {
        painter.fillRect(all, face);
        checker = isEnabled() && !mouseInControl_ && down_ &&
                  (state == TrpButtonState::HeldDown || state == TrpButtonState::Inactive);
    } else {
        const bool sunken = state == TrpButtonState::Pressed || state == TrpButtonState::HeldDown;
        qDrawWinButton(&painter, all, palette(), sunken, nullptr);
        checker = state == TrpButtonState::HeldDown;
    }
    if (checker)
        painter.fillRect(all.adjusted(2, 2, -2, -2), QBrush(Checker(face)));
}

void TrpSpeedButton::PaintContents(QPainter& painter, TrpButtonState state) {
    QRect client = rect().adjusted(1, 1, -1, -1);
    if (state == TrpButtonState::Pressed || (!flat_ && state == TrpButtonState::HeldDown))
        client.translate(1, 1);
    const QImage& image = glyphs_.Image(state);
    const QString caption = text();
    const QFontMetrics metrics(font());
    const QSize textSize =
        caption.isEmpty() ? QSize() : metrics.size(Qt::TextShowMnemonic, caption);
    const Placement at = PlaceContents(client, image.size(), textSize, layout_, margin_, spacing_);
    if (!image.isNull())
        painter.drawImage(at.glyph, image);
    if (caption.isEmpty())
        return;
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    if (state == TrpButtonState::Disabled) {
        painter.setPen(kEmbossLight);
        painter.drawText(at.text.translated(1, 1), flags, caption);
        painter.setPen(kEmbossDark);
    } else {
        painter.setPen(palette().color(QPalette::ButtonText));
    }
    painter.drawText(at.text, flags, caption);
}

// Flat and enabled, under the mouse or held down: a one-pixel frame,
// sunken while pressed or held down, raised otherwise.
void TrpSpeedButton::PaintFrame(QPainter& painter, TrpButtonState state) const {
    if (!flat_ || !isEnabled() || !(mouseInControl_ || down_))
        return;
    const bool sunken = state == TrpButtonState::Pressed || state == TrpButtonState::HeldDown ||
                        (down_ && !mouseInControl_);
    qDrawShadeRect(&painter, rect(), palette(), sunken, 1);
}

void TrpSpeedButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    if (!down_)
        state_ = TrpButtonState::Pressed;
    tracking_ = true;
    update();
}

void TrpSpeedButton::mouseMoveEvent(QMouseEvent* event) {
    if (!tracking_)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    const TrpButtonState next =
        inside ? (down_ ? TrpButtonState::HeldDown : TrpButtonState::Pressed) : RestState();
    if (next != state_) {
        state_ = next;
        update();
    }
}

void TrpSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    if (!tracking_ || event->button() != Qt::LeftButton)
        return;
    tracking_ = false;
    const bool inside = rect().contains(event->position().toPoint());
    if (groupIndex_ == 0) {
        state_ = TrpButtonState::Up;
        mouseInControl_ = false;
    } else if (inside) {
        state_ = RestState();
        SetDown(!down_);
        state_ = RestState();
    } else {
        state_ = RestState();
    }
    SetMouseInControl(isEnabled() && rect().contains(mapFromGlobal(QCursor::pos())) && inside);
    update();
    if (inside)
        emit clicked(down_);
}

void TrpSpeedButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (down_)
        emit DoubleClicked();
    // The second press of a double click presses like the first.
    mousePressEvent(event);
}

void TrpSpeedButton::SetMouseInControl(bool inside) {
    if (inside == mouseInControl_)
        return;
    mouseInControl_ = inside;
    update();
}

void TrpSpeedButton::enterEvent(QEnterEvent*) {
    if (!isEnabled() || !flat_ || mouseInControl_)
        return;
    SetMouseInControl(true);
    emit MouseEnter();
}

void TrpSpeedButton::leaveEvent(QEvent*) {
    if (!isEnabled() || !flat_ || !mouseInControl_)
        return;
    SetMouseInControl(false);
    emit MouseLeave();
}

void TrpSpeedButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        tracking_ = false;
        mouseInControl_ = false;
        state_ = RestState();
    }
    QAbstractButton::changeEvent(event);
    update();
}

} // namespace report
