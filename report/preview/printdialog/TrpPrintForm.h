// TrpPrintForm: the print dialog ("Print"): printer, page range, copies,
// collation and the odd/even selection; and ShowPrintDialog, the preview
// window's Print action around it.
//
// The printer list holds the platform's printers (the printer layer's
// PrinterNames without the virtual printer), then kPdfFileEntry, a PDF file
// as destination, printed through the virtual printer. Choosing an entry
// selects it in the printer layer at once; closing the dialog without OK
// selects the printer of its opening again.
//
// Controls keep their names as object names: CB1 (printer), PropButton,
// RB1/RB2/RB3 with E2 (page range), E1 with CopiesUp/CopiesDown (copies),
// CollateCB with CollatePicture, CB2 (print all/odd/even), OKButton,
// CancelButton.
#pragma once

#include "TrpPrintRequest.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace report {

class TrpEMFPages;
class TrpPrinter;
class TrpPrintTarget;
class TrpPrinterBackend;
class TrpReport;

inline constexpr const char* kPdfFileEntry = "PDF file";

class TrpPrintForm : public QDialog {
    Q_OBJECT
public:
    TrpPrintForm(TrpPrinter& printer, QWidget* parent = nullptr);

    void SetCopies(int copies);
    void SetCollate(bool collate);
    // The request as the controls stand; "Current pa&ge" gives
    // currentPage. Throws the conversion error for a copies field that is
    // not a whole number.
    TrpPrintRequest Request(int currentPage) const;
    bool PdfSelected() const;
    // The printer layer's index of the chosen entry (the PDF file: the
    // virtual printer), whether or not the layer could select it.
    int ChosenPrinter() const;
    // The printer layer's index of the printer selected when the dialog opened.
    int OpeningPrinter() const { return openingPrinter_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPrinterGroup(QWidget* group);
    void BuildRangeGroup(QWidget* group);
    void BuildCopiesGroup(QWidget* group);
    void PrinterChosen(int entry);
    void StepCopies(int step);
    void ShowProperties();

    TrpPrinter& printer_;
    int openingPrinter_;
    QComboBox* cb1_ = nullptr;
    QPushButton* propButton_ = nullptr;
    QRadioButton* rb1_ = nullptr;
    QRadioButton* rb2_ = nullptr;
    QRadioButton* rb3_ = nullptr;
    QLineEdit* e2_ = nullptr;
    QLineEdit* e1_ = nullptr;
    QCheckBox* collateCB_ = nullptr;
    QWidget* collatePicture_ = nullptr;
    QComboBox* cb2_ = nullptr;
};

// The seams of the dialog's own windows, so tests do not block: the PDF
// file name (empty: cancelled) and the printer properties (true when the
// user confirmed; it may change the printer layer's paper). Null restores
// the standard file and page setup dialogs. Each returns the previous one.
using TrpPdfFileChooser = std::function<QString(QWidget* parent)>;
using TrpPropertiesDialog = std::function<bool(QWidget* parent, TrpPrinter& printer)>;
TrpPdfFileChooser SetPdfFileChooser(TrpPdfFileChooser chooser);
TrpPropertiesDialog SetPropertiesDialog(TrpPropertiesDialog dialog);
// The installed chooser, or the standard save dialog.
QString ChoosePdfFile(QWidget* parent);

// Where the print action prints: the PDF file (empty printerName) or the
// named platform printer; null: cancelled. A test installs a recording
// target; null restores the QPrinter targets.
using TrpPrintTargetFactory =
    std::function<std::unique_ptr<TrpPrintTarget>(QWidget* parent, const std::string& printerName)>;
TrpPrintTargetFactory SetPrintTargetFactory(TrpPrintTargetFactory factory);

// The platform printers the printer layer is attached to; a test installs
// its own (null: the CUPS printers through Qt PrintSupport again).
TrpPrinterBackend& PlatformPrinterBackend();
void SetPlatformPrinterBackend(TrpPrinterBackend* backend);

// The Print action of the preview window: shows the dialog over parent for
// the pages the preview holds; on OK rebuilds them for a newly chosen
// printer (when the report prepared them in this run; the preview then
// holds the new list) and prints them. currentPage is the preview's page
// (1-based). True when the job ran to its end; false when there was
// nothing to print, the user cancelled, or the printer could not be used
// (error box). A page list or copies field that is not a whole number
// throws EConvertError before anything prints; the pages stay held.
bool ShowPrintDialog(QWidget* parent, TrpReport& report, std::unique_ptr<TrpEMFPages>& pages,
                     int currentPage);

} // namespace report
