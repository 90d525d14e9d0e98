// Placeholder definitions of the template reading and writing operations,
// so that the object model links on its own. The template reader and
// writer replace this file.
#include "TrpBandView.h"
#include "TrpMemoView.h"
#include "TrpPage.h"
#include "TrpPictureView.h"
#include "TrpReport.h"
#include "TrpSubReportView.h"

namespace report {

void TrpView::LoadFromStream(TrpReadStream&) {}
void TrpView::SaveToStream(TrpWriteStream&) {}
void TrpMemoView::LoadFromStream(TrpReadStream&) {}
void TrpMemoView::SaveToStream(TrpWriteStream&) {}
void TrpBandView::LoadFromStream(TrpReadStream&) {}
void TrpBandView::SaveToStream(TrpWriteStream&) {}
void TrpPictureView::LoadFromStream(TrpReadStream&) {}
void TrpPictureView::SaveToStream(TrpWriteStream&) {}
void TrpSubReportView::LoadFromStream(TrpReadStream&) {}
void TrpSubReportView::SaveToStream(TrpWriteStream&) {}
void TrpPage::LoadFromStream(TrpReadStream&) {}
void TrpPage::SaveToStream(TrpWriteStream&) {}

bool TrpReport::LoadFromFile(const std::string&) {
    return false;
}
void TrpReport::LoadFromStream(QIODevice&) {}
void TrpReport::SaveToStream(QIODevice&) {}
void TrpReport::SaveToFile(const std::string&) {}

} // namespace report
