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

namespace morvane {

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

    // The user's actions, as the buttons start them.
    void btnOpenFileClick();
    void Button3Click();
    void BitBtn2Click();
    void BitBtn3Click();

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
