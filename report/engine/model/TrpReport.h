// TrpReport: the report component. It owns its template pages, its data
// dictionary and (with the generation engine) its generated pages; it is a
// component so that band data sources and field references find the
// datasets its owner (the window) holds.
//
// States: idle -> generating (Generating true; with TwoPass the first pass
// runs with FinalPass false, the second with FinalPass true) -> idle.
// Terminated asks a running generation to stop.
//
// Events are plain callables; an empty one is not called.
#pragma once

#include "TrpDataDictionary.h"
#include "TrpPages.h"
#include "TrpValue.h"
#include "tabula/Component.h"

#include <QIODevice>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace report {

class TrpBand;
class TrpDataset;
class TrpEMFPages;
class TrpPreview;
class TrpReportEvaluator;
class TrpView;

enum class TrpPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };
enum TrpPreviewButton : std::uint8_t {
    pbZoom = 1,
    pbLoad = 2,
    pbSave = 4,
    pbPrint = 8,
    pbFind = 16,
    pbHelp = 32,
    pbExit = 64,
    pbPageSetup = 128,
};
inline constexpr std::uint8_t kDefaultPreviewButtons = 127;
enum class TrpReportType { rtSimple, rtMultiple };

class TrpReport : public tabula::TComponent {
public:
    explicit TrpReport(tabula::TComponent* owner = nullptr);
    ~TrpReport() override;

    // Published properties.
    TrpDataset* Dataset = nullptr;
    int DefaultCopies = 1;
    bool DefaultCollate = true;
    bool GrayedButtons = false;
    TrpPreviewZoom InitialZoom = TrpPreviewZoom::pzDefault;
    bool MDIPreview = false;
    bool ModalPreview = true;
    bool ModifyPrepared = true;
    TrpPreview* Preview = nullptr;
    std::uint8_t PreviewButtons = kDefaultPreviewButtons;
    TrpReportType ReportType = TrpReportType::rtSimple;
    bool ShowProgress = true;
    bool StoreInDFM = false;
    std::string Title;

    // Events.
    std::function<void()> OnBeginDoc, OnEndDoc;
    std::function<void(int pgNo)> OnBeginPage, OnEndPage;
    std::function<void(TrpBand*band)> OnBeginBand, OnEndBand;
    std::function<void(const std::string& parName, TrpValue& parValue)> OnGetValue;
    std::function<void(TrpStrings& memo, TrpView* view)> OnBeforePrint;
    std::function<void(const std::string& name, const TrpValue& p1, const TrpValue& p2,
                       const TrpValue& p3, TrpValue& val)>
        OnUserFunction;
    std::function<void(int n)> OnProgress;
    std::function<void(TrpBand* band)> OnBeginColumn;
    std::function<void(int colNo, int& width)> OnPrintColumn;
    std::function<void(TrpPage* page)> OnManualBuild;
    std::function<void(TrpView* view)> OnObjectClick;
    std::function<void(TrpView* view, int& cursor)> OnMouseOverObject;
    std::function<void()> OnPrintReport;

    // Other state. The generated pages join here with the prepared-page
    // list.
    TrpPages Pages;
    TrpDataDictionary Dictionary;
    // The generated pages: filled by generation or loaded from a prepared
    // report; the preview takes them over (TakeEMFPages) and leaves a
    // fresh empty list.
    TrpEMFPages& EMFPages() { return *emfPages_; }
    std::unique_ptr<TrpEMFPages> TakeEMFPages();
    // Gives taken pages back (print, save): the report's list is replaced
    // by them. A null list leaves a fresh empty one.
    void SetEMFPages(std::unique_ptr<TrpEMFPages> pages);
    std::string PrinterName;
    bool UseDefaultPrinter = false;
    bool TwoPass = false;
    std::string FileName;
    bool Terminated = false;
    bool Generating = false;
    bool FinalPass = false;

    // The evaluator of expressions handed to object methods ("MEMO.ADD"
    // and the like): the report's expression evaluator from the start;
    // without one an expression stands for its own text.
    std::function<TrpValue(const std::string& expression)> Evaluator;
    TrpValue Evaluate(const std::string& expression) const;
    // The report's expression evaluator (names, functions, memo expansion;
    // scripts reach the report through it).
    std::shared_ptr<TrpReportEvaluator> ExpressionEvaluator;

    // The steps of preparing an object's text that the script interpreter,
    // memo expansion and the dataset link supply: run the object's
    // "OnBeforePrint" script; expand "Memo" into ResultMemo; load the
    // object's bound BLOB field. An empty hook does nothing, and the memo
    // is then taken literally.
    std::function<void(TrpView& view)> RunObjectScript;
    std::function<void(TrpView& view)> ExpandMemo;
    std::function<void(TrpView& view)> BindBlob;

    // True in the first pass of a two-pass generation, which only counts
    // pages and draws nothing.
    bool InFirstPass() const { return Generating && TwoPass && !FinalPass; }

    // The first object of that name over all pages, ignoring case; null if none.
    TrpView* FindObject(const std::string& name) const;
    // prefix + the smallest number 1..10000 no object of the report uses;
    // empty when all are taken.
    std::string FreeObjectName(const std::string& prefix) const;

    bool LoadFromFile(const std::string& fileName);
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream);
    void SaveToFile(const std::string& fileName);

private:
    std::unique_ptr<TrpEMFPages> emfPages_;
};

} // namespace report
