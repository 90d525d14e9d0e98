// TrpSubReportView: the sub-report placeholder's property list and drawing.
#include "TrpSubReportView.h"

namespace report {

TrpSubReportView::TrpSubReportView() {
    ObjectType = kTypeSubReport;
    NamePrefix = "SubReport";
}

void TrpSubReportView::DeclareProperties() {
    TrpObject::DeclareProperties();
    DeclareCommonProperties();
}

void TrpSubReportView::Draw(QPainter& canvas) {
    Canvas = &canvas;
    BeginDraw();
    DrawBackground();
    DrawFrame();
    EndDraw();
}

} // namespace report
