// Shared pieces of the preview tests: prepared pages made directly from a
// template page (one text object per line of text given), a report holding
// them, and saving grabs when PREVIEW_SHOTS_DIR names a folder.
#pragma once

#include "TrpEMFPages.h"
#include "TrpMemoView.h"
#include "TrpObjectCodes.h"
#include "TrpPage.h"
#include "TrpReport.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

namespace preview_test {

// Paper code of A4 in the printer layer's table.
inline constexpr int kPaperA4 = 9;
// Text objects are stacked this far apart from the top left.
inline constexpr int kTextLeft = 60, kTextTop = 80, kTextPitch = 40;
inline constexpr int kTextWidth = 400, kTextHeight = 24;

// Appends one prepared page whose text objects draw texts, one object
// each, top to bottom.
inline void AddTextPage(report::TrpEMFPages& pages, const std::vector<std::string>& texts) {
    report::TrpPage source;
    source.ChangePaper(kPaperA4, 0, 0, report::kDefaultPaperBin, report::TrpOrientation::Portrait);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        report::TrpView* view = source.CreateView(report::kTypeMemo);
        view->SetBounds(kTextLeft, kTextTop + kTextPitch * int(i), kTextWidth, kTextHeight);
        view->FrameTyp = 0;
        view->ResultMemo = {texts[i]};
    }
    const std::size_t index = pages.Count();
    pages.Add(source);
    for (std::size_t i = 0; i < source.Count(); ++i)
        pages.WriteObject(index, *source.Object(i));
}

// count pages into the report's prepared list, page n (1-based) carrying
// "Page n" and a total line.
inline void FillReport(report::TrpReport& report, int count) {
    for (int n = 1; n <= count; ++n)
        AddTextPage(report.EMFPages(), {"Page " + std::to_string(n), "Payee account list",
                                        "Total " + std::to_string(n)});
}

// Saves image under PREVIEW_SHOTS_DIR when that is set.
inline void SaveShot(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("PREVIEW_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    image.save(QDir(dir).filePath(name + ".png"));
}

} // namespace preview_test
