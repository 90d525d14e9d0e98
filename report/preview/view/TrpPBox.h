// TrpPBox: the page box of the preview window. It paints the desk and the
// pages on screen at the form's zoom and scroll position, marks each page
// visible or not (a page off screen releases its built objects), frames
// the last search match, and turns mouse gestures into the form's actions:
// a left press offers the click to the page's objects or starts a drag,
// a double click makes the page under the mouse current, a right press
// opens the zoom menu, the wheel scrolls. Keys go to the form first.
//
// Drag states: idle --left press not taken by an object--> dragging
// --move (dx, dy)--> scroll by (-dx, -dy) --release--> idle.
#pragma once

#include <QWidget>

namespace report {

class TrpPreviewForm;

class TrpPBox : public QWidget {
    Q_OBJECT

public:
    explicit TrpPBox(TrpPreviewForm& form);

    // 1-based page under the last left press, 0 if none.
    int PressedPage() const { return pressedPage_; }
    bool Dragging() const { return dragging_; }
    // 0-based page whose view rectangle holds point; -1 if none.
    int PageAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect ViewRect(std::size_t page) const;
    QRect ContentRect(std::size_t page, const QRect& view) const;
    void PaintPages(QPainter& painter, const QRect& area);
    void PaintMatch(QPainter& painter) const;
    void HoverObjects(QPoint point);

    TrpPreviewForm& form_;
    int pressedPage_ = 0;
    bool dragging_ = false;
    QPoint lastMouse_;
};

} // namespace report
