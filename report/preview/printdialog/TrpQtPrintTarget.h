// TrpQtPrintTarget: the print target on a QPrinter - a platform printer by
// name (CUPS) or a PDF file. One QPrinter job holds every sheet; each sheet
// gets its page's paper before it starts, so a change of paper needs no new
// job. Painting uses the whole sheet (full-page mode): rectangles from the
// print job are in sheet coordinates.
//
// States: idle --BeginDoc--> named (no sheet yet) --StartSheet--> painting
//         painting --StartSheet--> painting (next sheet)
//         any --EndDoc/Abort--> done
// A job that printed no sheet sends nothing (no empty document or file).
#pragma once

#include "TrpPrintTarget.h"

#include <QPainter>
#include <QPrinter>
#include <QString>
#include <memory>

namespace report {

class TrpQtPrintTarget : public TrpPrintTarget {
public:
    // A platform printer by its name.
    static std::unique_ptr<TrpQtPrintTarget> ForPrinter(const QString& printerName);
    // A PDF file.
    static std::unique_ptr<TrpQtPrintTarget> ForPdfFile(const QString& fileName);

    void BeginDoc(const std::string& title) override;
    void StartSheet(const TrpPrintPaper& paper) override;
    void DrawPage(TrpEMFPages& pages, std::size_t index, const QRect& rect) override;
    void EndDoc() override;
    void Abort() override;
    int Resolution() const override { return printer_->resolution(); }

private:
    explicit TrpQtPrintTarget(std::unique_ptr<QPrinter> printer);
    void ApplyPaper(const TrpPrintPaper& paper);

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
};

// Draws one prepared page on painter into rect and then lets it release
// its objects again, whatever the page's on-screen Visible flag says.
void DrawPreparedPage(TrpEMFPages& pages, std::size_t index, QPainter& painter, const QRect& rect);

} // namespace report
