// TrpPBox: painting the desk and pages, and the mouse on them.
#include "TrpPBox.h"

#include "TrpPreviewForm.h"
#include "TrpReport.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <cmath>

namespace report {
namespace {

// The frame round the last search match.
const QColor kMatchFrame(220, 0, 0);
constexpr int kMatchFrameMargin = 2;
constexpr int kWheelNotch = 120;

int Round(double value) {
    return static_cast<int>(std::lround(value));
}

} // namespace

TrpPBox::TrpPBox(TrpPreviewForm& form) : QWidget(&form), form_(form) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect TrpPBox::ViewRect(std::size_t page) const {
    return form_.pages_->Page(page).LayoutRect.translated(-form_.scrollX_, -form_.scrollY_);
}

int TrpPBox::PageAt(QPoint point) const {
    for (std::size_t i = 0; i < form_.PageCount(); ++i)
        if (ViewRect(i).contains(point))
            return static_cast<int>(i);
    return -1;
}

// Where the page's objects are drawn: the whole sheet, or the printable
// area inside the margins, scaled by the zoom.
QRect TrpPBox::ContentRect(std::size_t index, const QRect& view) const {
    const TrpEMFPage& page = form_.pages_->Page(index);
    if (page.WholeSheet)
        return view;
    const double zoom = form_.zoom_;
    const TrpPageMetrics& m = page.Metrics;
    return QRect(view.left() + Round((m.offsetX + page.LeftMargin) * zoom),
                 view.top() + Round((m.offsetY + page.TopMargin) * zoom),
                 Round((m.printableWidth - page.LeftMargin - page.RightMargin) * zoom),
                 Round((m.printableHeight - page.TopMargin - page.BottomMargin) * zoom));
}

void TrpPBox::paintEvent(QPaintEvent* event) {
    if (!form_.ready_)
        return;
    QPainter painter(this);
    if (form_.PageCount() == 0) {
        painter.fillRect(event->rect(), palette().color(QPalette::Window));
        return;
    }
    PaintPages(painter, event->rect());
    PaintMatch(painter);
}

// A page on screen is marked visible and keeps its built objects; one off
// screen is drawn into an empty rectangle, which releases them.
void TrpPBox::PaintPages(QPainter& painter, const QRect& area) {
    TrpEMFPages& pages = *form_.pages_;
    std::vector<std::size_t> shown;
    QRegion desk(area);
    for (std::size_t i = 0; i < pages.Count(); ++i) {
        const QRect view = ViewRect(i);
        pages.Page(i).Visible = view.intersects(rect());
        if (pages.Page(i).Visible && view.intersects(area)) {
            shown.push_back(i);
            desk -= view.adjusted(1, 1, -1, -1);
        }
    }
    painter.setClipRegion(desk);
    painter.fillRect(area, TrpPreviewForm::kDeskColour);
    painter.setClipping(false);
    for (std::size_t i : shown) {
        const QRect view = ViewRect(i);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawRect(view.adjusted(0, 0, -1, -1));
        // The shadow along the bottom and right edges.
        const int right = view.left() + view.width(), bottom = view.top() + view.height();
        painter.drawLine(view.left() + 1, bottom, right, bottom);
        painter.drawLine(right, bottom, right, view.top() + 1);
    }
    for (std::size_t i = 0; i < pages.Count(); ++i) {
        const bool draw = std::find(shown.begin(), shown.end(), i) != shown.end();
        if (!draw) {
            if (!pages.Page(i).Visible)
                pages.Draw(i, painter, QRect());
            continue;
        }
        const QRect view = ViewRect(i);
        painter.save();
        painter.setClipRect(view.adjusted(1, 1, -1, -1).intersected(area));
        try {
            pages.Draw(i, painter, ContentRect(i, view));
        } catch (const std::exception& error) {
            // A damaged page shows why instead of its objects.
            painter.setPen(Qt::red);
            painter.drawText(view.adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::TextWordWrap,
                             QString::fromStdString(error.what()));
        }
        painter.restore();
    }
}

void TrpPBox::PaintMatch(QPainter& painter) const {
    const auto& match = form_.match_;
    if (!match || match->Page >= form_.PageCount())
        return;
    const QRect view = ViewRect(match->Page);
    const double zoom = form_.zoom_;
    const QRect& r = match->Rect;
    const QRect frame(view.left() + Round(r.left() * zoom), view.top() + Round(r.top() * zoom),
                      Round(r.width() * zoom), Round(r.height() * zoom));
    painter.setPen(kMatchFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(-kMatchFrameMargin, -kMatchFrameMargin, kMatchFrameMargin,
                                    kMatchFrameMargin));
}

void TrpPBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        form_.ProcMenu->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || form_.PageCount() == 0)
        return;
    const QPoint at = event->position().toPoint();
    const int page = PageAt(at);
    pressedPage_ = page + 1;
    if (page >= 0) {
        const QPoint origin = ViewRect(std::size_t(page)).topLeft();
        const QPoint onPage(Round((at.x() - origin.x()) / form_.zoom_),
                            Round((at.y() - origin.y()) / form_.zoom_));
        int cursor = 0;
        if (form_.pages_->HitTest(std::size_t(page), onPage, true, cursor))
            return;
    }
    dragging_ = true;
    lastMouse_ = at;
}

void TrpPBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!dragging_) {
        HoverObjects(at);
        return;
    }
    const QPoint delta = at - lastMouse_;
    lastMouse_ = at;
    form_.SetScroll(form_.HScrollBar, form_.HScrollBar->value() - delta.x(), true);
    form_.SetScroll(form_.VScrollBar, form_.VScrollBar->value() - delta.y(), true);
}

// With a mouse-over handler the cursor is the one it sets for the object
// under the mouse, else the default.
void TrpPBox::HoverObjects(QPoint point) {
    TrpReport* report = form_.report_;
    if (!report || !report->OnMouseOverObject || form_.PageCount() == 0)
        return;
    const int page = PageAt(point);
    int cursor = Qt::ArrowCursor;
    if (page >= 0) {
        const QPoint origin = ViewRect(std::size_t(page)).topLeft();
        const QPoint onPage(Round((point.x() - origin.x()) / form_.zoom_),
                            Round((point.y() - origin.y()) / form_.zoom_));
        if (!form_.pages_->HitTest(std::size_t(page), onPage, false, cursor))
            cursor = Qt::ArrowCursor;
    }
    const bool known = cursor >= Qt::ArrowCursor && cursor <= Qt::LastCursor;
    setCursor(known ? Qt::CursorShape(cursor) : Qt::ArrowCursor);
}

void TrpPBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

// The press of a double click starts no drag.
void TrpPBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || form_.PageCount() == 0)
        return;
    dragging_ = false;
    const int page = PageAt(event->position().toPoint());
    if (page >= 0)
        pressedPage_ = page + 1;
    if (pressedPage_ > 0) {
        form_.currentPage_ = pressedPage_;
        form_.UpdatePageLabel();
    }
}

void TrpPBox::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / kWheelNotch;
    if (notches == 0 || form_.PageCount() == 0)
        return;
    form_.SetScroll(form_.VScrollBar,
                    form_.VScrollBar->value() - notches * TrpPreviewForm::kWheelStep, true);
}

void TrpPBox::keyPressEvent(QKeyEvent* event) {
    if (form_.HandleKey(event->key(), event->modifiers()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

} // namespace report
