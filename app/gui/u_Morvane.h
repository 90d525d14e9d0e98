// TfmMorvane: the validation window. One tab page holds the input-file and
// destination fields with their Open buttons, the Validate, Print and Clear
// buttons, the hash field, the status label Label4 and the result grid
// StringGrid1.
//
// The window has no validation logic of its own: every action copies the
// three text fields into its TMorvaneWorkflow, runs the workflow's action
// (the same road the command-line checker runs), and copies the fields back
// and refreshes the grid and label from the row model afterwards. Each
// action runs inside the application's top-level handler; an exception ends
// the action with an error box and leaves the window usable.
//
// Table-store components (TReportTableFill): a database "DB", the report
// table dbDetailReport and the query queryDetail. Creation empties the
// report table first ("Delete From ReportTableDetail"); a failure there is
// shown by the top-level handler and the later creation steps (tab caption,
// date format, the database directory) do not run. A clean Validate refills
// the table through the workflow's RefillReportTable hook.
//
// Print (BitBtn1), the report request: an empty hash field gives the error
// box "No data ." and nothing else; otherwise dbDetailReport is made active
// (and stays open) and its record count read, the template
// Report/PaymentDetail.rpf beside Data/ is loaded into rpReport1 (a missing
// file keeps the template the report has, at first the empty one), the
// variables comId, hashValue and recordcount are set and the report is run
// (generation, then the preview). The report components (TSummaryReport)
// are owned by the window's component root, which holds them under their
// names so that the template's data band finds rpDBDataSet1.
//
// Lifetime: created by each successful logon inside the main frame; its
// close command minimizes it within the frame, and it lives until the
// program ends.
#pragma once

#include "MorvaneWorkflow.h"
#include "ReportTableFill.h"
#include "ResultGrid.h"

#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QFileDialog;
class QLabel;
class QLineEdit;
class QMdiSubWindow;
class QPushButton;
class QTabWidget;

namespace tabula {
class TComponent;
}

namespace morvane {

class TSummaryReport;

class TResultGridView;

class TfmMorvane : public QWidget {
    Q_OBJECT
public:
    // dataDir: the Data/ directory beside the executable.
    explicit TfmMorvane(const QString& dataDir, QWidget* parent = nullptr);
    ~TfmMorvane() override;

    // Makes the close command of `frame` (the child window that shows this
    // window) minimize it instead.
    void MinimizeOnClose(QMdiSubWindow* frame);

    // Seams for the standard dialogs and the clock. By default they show
    // `odlg`, the "Select Directory" folder browser, and read the system
    // clock; tests replace them. A dialog returns nullopt when cancelled.
    std::function<std::optional<QString>()> OpenFileDialog;
    std::function<std::optional<QString>()> FolderBrowser;
    std::function<std::chrono::system_clock::time_point()> Clock;

    TMorvaneWorkflow& Workflow() { return *workflow_; }
    TReportTableFill& TableComponents() { return *fill_; }
    TSummaryReport& ReportComponents() { return *summary_; }
    // Report/PaymentDetail.rpf in the directory that holds Data/.
    QString SummaryTemplateFile() const;

    // The user's actions, as the buttons start them.
    void btnOpenFileClick();
    void Button3Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

    // Text of the error box of a Print without a clean run.
    static constexpr const char* kNoDataMessage = "No data .";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TWindowMessageSink;

    void FormCreate();
    void BuildControls();
    // Runs one action: widgets -> workflow fields, the action inside the
    // top-level handler, then workflow fields -> widgets and a grid refresh.
    void RunAction(const std::function<void()>& action);
    void PushFields();
    void PullFields();

    QString dataDir_;
    TResultGrid grid_;
    std::unique_ptr<TWindowMessageSink> sink_;
    std::unique_ptr<TMorvaneWorkflow> workflow_;
    std::unique_ptr<TReportTableFill> fill_;
    // Declared after fill_: the report's dataset link borrows dbDetailReport
    // and goes first. The root frees the report components it owns.
    std::unique_ptr<tabula::TComponent> components_;
    std::unique_ptr<TSummaryReport> summary_;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QLineEdit* edtFileInput = nullptr;
    QPushButton* btnOpenFile = nullptr;
    QLineEdit* DestinationPath = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QLineEdit* edtHashvalue = nullptr;
    QLabel* Label4 = nullptr;
    TResultGridView* StringGrid1 = nullptr;
    QFileDialog* odlg = nullptr;
};

} // namespace morvane
