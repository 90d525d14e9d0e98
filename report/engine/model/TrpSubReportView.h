// TrpSubReportView: the placeholder that prints another page of the report
// in its place (type 3, names "SubReport" + n). SubPage is the zero-based
// index of that page; when bands are prepared the page it names is marked
// as a sub-report page and not printed on its own.
#pragma once

#include "TrpView.h"

namespace report {

class TrpSubReportView : public TrpView {
public:
    TrpSubReportView();

    std::int32_t SubPage = 0;

    std::string ClassName() const override { return "TrpSubReportView"; }

    void DeclareProperties() override;
    void Draw(QPainter& canvas) override;
    void LoadFromStream(TrpReadStream& stream) override;
    void SaveToStream(TrpWriteStream& stream) override;
};

} // namespace report
