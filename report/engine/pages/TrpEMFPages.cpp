// TrpEMFPages: page records, object streams, the built-page cache, drawing
// and hit testing. Reading and writing prepared-report files lives in
// TrpEMFPagesFile.cpp.
#include "TrpEMFPages.h"

#include "ETrpTemplateError.h"
#include "EnginePixels.h"
#include "TrpCompositeReport.h"
#include "TrpEngineState.h"
#include "TrpMemoLayout.h"
#include "TrpMemoView.h"
#include "TrpObjectFactory.h"
#include "TrpPreparedFormat.h"
#include "TrpReadStream.h"
#include "TrpReport.h"
#include "TrpTemplateFormat.h"
#include "TrpView.h"
#include "TrpWriteStream.h"

#include <QBuffer>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace report {

void TrpEMFPages::Delete(std::size_t index) {
    if (index < pages_.size())
        pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(index));
}

TrpEMFPage& TrpEMFPages::Add(const TrpPage& templatePage) {
    auto page = std::make_unique<TrpEMFPage>();
    page->PaperSize = templatePage.PaperSize;
    page->PaperWidth = templatePage.PaperWidth;
    page->PaperHeight = templatePage.PaperHeight;
    page->Orientation = templatePage.Orientation;
    page->PaperBin = templatePage.PaperBin;
    page->WholeSheet = templatePage.UseMargins;
    page->LeftMargin = templatePage.LeftMargin;
    page->TopMargin = templatePage.TopMargin;
    page->RightMargin = templatePage.RightMargin;
    page->BottomMargin = templatePage.BottomMargin;
    page->Metrics = templatePage.Metrics;
    page->Stream.append(static_cast<char>(rppfmt::kStreamVersion));
    pages_.push_back(std::move(page));
    TrpEMFPage& added = *pages_.back();
    const int pageNo = static_cast<int>(pages_.size()) - 1;
    if (report_ && report_->OnBeginPage)
        report_->OnBeginPage(pageNo);
    if (Composite && Composite != report_ && Composite->OnBeginPage)
        Composite->OnBeginPage(pageNo);
    return added;
}

void TrpEMFPages::WriteObject(std::size_t index, TrpView& view) {
    TrpEMFPage& page = Page(index);
    QBuffer buffer(&page.Stream);
    buffer.open(QIODevice::WriteOnly | QIODevice::Append);
    TrpWriteStream stream(buffer);
    const bool wasPrepared = view.PreparedForm;
    view.PreparedForm = true;
    try {
        stream.WriteByte(view.ObjectType);
        if (view.ObjectType == kTypeExtension)
            stream.WriteString(view.ClassName());
        view.SaveToStream(stream);
    } catch (...) {
        view.PreparedForm = wasPrepared;
        throw;
    }
    view.PreparedForm = wasPrepared;
}

namespace {

int Px(double value) {
    return static_cast<int>(RoundHalfEven(value));
}

// Reads the object records of one page stream into page.
void ReadPageObjects(const QByteArray& bytes, TrpPage& page) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TrpReadStream stream(buffer, tplfmt::kCurrentVersion);
    const int version = stream.ReadByte();
    if (version < tplfmt::kOldestVersion || version > tplfmt::kCurrentVersion)
        throw ETrpTemplateError("page stream of unknown version " + std::to_string(version));
    stream.SetVersion(version);
    while (!stream.AtEnd()) {
        const std::uint8_t type = stream.ReadByte();
        std::string className;
        if (type == kTypeExtension)
            className = stream.ReadString();
        std::unique_ptr<TrpView> view = CreateReportObject(type, className);
        // Records carry no end offset, so an unknown one cannot be skipped.
        if (!view)
            throw ETrpTemplateError("page stream holds an object of unknown type " +
                                    std::to_string(type));
        view->PreparedForm = true;
        TrpView* added = page.Add(std::move(view));
        added->LoadFromStream(stream);
        // Measured once here, so that hit testing sees the width drawing
        // will use.
        if (auto* memo = dynamic_cast<TrpMemoView*>(added))
            TrpMemoLayout::ApplyAutoWidth(*memo);
    }
}

// The part of the surface that drawing can reach, in device coordinates.
QRect VisibleArea(const QPainter& canvas) {
    if (canvas.hasClipping())
        return canvas.clipBoundingRect().toAlignedRect();
    const QPaintDevice* device = canvas.device();
    return device ? QRect(0, 0, device->width(), device->height()) : QRect();
}

} // namespace

TrpPage& TrpEMFPages::BuildPage(std::size_t index) {
    TrpEMFPage& page = Page(index);
    if (!page.Built) {
        auto built = std::make_unique<TrpPage>();
        ReadPageObjects(page.Stream, *built);
        page.Built = std::move(built);
    }
    return *page.Built;
}

void TrpEMFPages::Draw(std::size_t index, QPainter& canvas, const QRect& rect, bool printing) {
    TrpEMFPage& page = Page(index);
    if (!page.Visible) {
        page.Built.reset();
        return;
    }
    TrpPage& built = BuildPage(index);
    EngineState().CurrentReport = report_;
    // A page without sheet metrics has no scale to draw at.
    if (page.Metrics.sheetWidth <= 0 || page.Metrics.sheetHeight <= 0)
        return;
    const double kx = static_cast<double>(rect.width()) / page.Metrics.sheetWidth;
    const double ky = static_cast<double>(rect.height()) / page.Metrics.sheetHeight;
    const QRect visible = VisibleArea(canvas);
    for (std::size_t i = 0; i < built.Count(); ++i) {
        TrpView& view = *built.Object(i);
        if (!printing) {
            const QRect scaled(
                QPoint(Px(view.Left * kx) + rect.left(), Px(view.Top * ky) + rect.top()),
                QPoint(Px((view.Left + view.Width) * kx) + rect.left(),
                       Px((view.Top + view.Height) * ky) + rect.top()));
            if (!scaled.adjusted(-10, -10, 10, 10).intersects(visible))
                continue;
        }
        view.ScaleX = kx;
        view.ScaleY = ky;
        view.OffsetX = rect.left();
        view.OffsetY = rect.top();
        view.Canvas = &canvas;
        EngineState().CurrentView = &view;
        view.Draw(canvas);
    }
}

TrpView* TrpEMFPages::ObjectAt(std::size_t index, QPoint point) {
    TrpEMFPage& page = Page(index);
    TrpPage& built = BuildPage(index);
    double kx = 1.0, ky = 1.0;
    int offsetX = 0, offsetY = 0;
    if (!page.WholeSheet) {
        const int areaWidth = page.Metrics.printableWidth - page.LeftMargin - page.RightMargin;
        const int areaHeight = page.Metrics.printableHeight - page.TopMargin - page.BottomMargin;
        // Margins that swallow the printable area leave nothing to scale
        // into; the sheet is then taken 1:1.
        if (areaWidth > 0 && areaHeight > 0) {
            kx = static_cast<double>(page.Metrics.sheetWidth) / areaWidth;
            ky = static_cast<double>(page.Metrics.sheetHeight) / areaHeight;
            offsetX = page.LeftMargin + page.Metrics.offsetX;
            offsetY = page.TopMargin + page.Metrics.offsetY;
        }
    }
    for (std::size_t i = built.Count(); i-- > 0;) {
        TrpView* view = built.Object(i);
        const int left = Px(view->Left * kx + offsetX);
        const int top = Px(view->Top * ky + offsetY);
        const int right = Px((view->Left + view->Width) * kx + offsetX);
        const int bottom = Px((view->Top + view->Height) * ky + offsetY);
        if (point.x() >= left && point.x() < right && point.y() >= top && point.y() < bottom)
            return view;
    }
    return nullptr;
}

bool TrpEMFPages::HitTest(std::size_t index, QPoint point, bool click, int& cursor) {
    TrpView* view = ObjectAt(index, point);
    if (!view || !report_)
        return false;
    if (click) {
        if (!report_->OnObjectClick)
            return false;
        report_->OnObjectClick(view);
        return true;
    }
    if (!report_->OnMouseOverObject)
        return false;
    report_->OnMouseOverObject(view, cursor);
    return true;
}

} // namespace report
