// TMorvaneWorkflow: the validation window's actions without any toolkit, so
// that the desktop window and the command-line checker run one Validate road.
//
// The window binds its controls to `Fields` (edtFileInput, DestinationPath,
// edtHashvalue), shows `Grid` in StringGrid1 and Label4, and routes message
// boxes through the TMessageSink. Failures (EInOutError, EConvertError, engine
// errors) propagate to the caller's top-level handler; the grid keeps the rows
// appended so far.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "MessageSink.h"
#include "ResultGrid.h"
#include "Validator.h"

namespace morvane {

// The window's text fields that the actions read and write.
struct TWorkflowFields {
    std::string FileInput;       // edtFileInput: path of the registration file
    std::string DestinationPath; // DestinationPath: full path of the output file
    std::string HashValue;       // edtHashvalue: digest text of the last clean run
};

class TMorvaneWorkflow {
public:
    // dataDir: the Data/ directory beside the executable (TempNewFile.txt goes there).
    TMorvaneWorkflow(std::string dataDir, TResultGrid& grid, TMessageSink& messages);

    TWorkflowFields Fields;

    TValidator& Validator() { return validator_; }
    const TValidator& Validator() const { return validator_; }
    TResultGrid& Grid() { return grid_; }

    // Validate (BitBtn2): the whole road of a run.
    void Validate();
    // Clear (BitBtn3): empties the three fields and the status label, ClearGrid.
    void Clear();
    // Choose destination (Button3): `folder` is the chosen folder, or nullopt
    // when the browser was cancelled; `now` is the moment the folder was picked.
    void ChooseDestination(const std::optional<std::string>& folder,
                           std::chrono::system_clock::time_point now);
    // "KVL.RX317.TLNREG.RQ." + yyyymmdd + hhmmss in local time.
    static std::string OutputFileName(std::chrono::system_clock::time_point now);

    // Run after a clean run has written its output. The report-table refill
    // is plugged in here; when empty, the road itself sets the status label to
    // "File Validate Success " and shows "Success Data. ".
    std::function<void()> RefillReportTable;

    // Path of the output file written by the last Validate, empty if none.
    const std::string& LastOutputPath() const { return lastOutputPath_; }
    // Path of the temporary copy (dataDir + "/TempNewFile.txt").
    std::string TempNewFilePath() const;

private:
    std::string dataDir_;
    TResultGrid& grid_;
    TMessageSink& messages_;
    TValidator validator_;
    std::string lastOutputPath_;
};

} // namespace morvane
