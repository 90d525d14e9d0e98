// TMorvaneWorkflow: the validation window's actions without any toolkit, so
// that the desktop window and the command-line checker run one Validate road.
//
// The window binds its controls to `Fields` (edtFileInput, DestinationPath,
// edtHashvalue), shows `Grid` in StringGrid1 and Label4, and routes message
// boxes through the TMessageSink. Failures (EInOutError, EConvertError, engine
// errors) propagate to the caller's top-level handler; the grid keeps the rows
// appended so far.
//
// One Validate, step by step (each step runs only when the one before did):
//   hash field emptied -> input field given? -> destination given? ->
//   ClearGrid -> ValidateFile -> TempNewFile.txt rewritten -> (clean only)
//   HashFile -> digest into HashValue -> output file written ->
//   RefillReportTable (or the success status and message).
// A run that stops by an exception writes nothing after the point it reached;
// a conversion failure inside ValidateFile writes no file at all.
#pragma once

#include "MessageSink.h"
#include "ResultGrid.h"
#include "Validator.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

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

    // Run after a clean run has written its output. The window and
    // morvane-check plug the report-table refill in here (TReportTableFill),
    // which sets the status label and shows the message itself; when empty,
    // the road sets the status label to "File Validate Success " and shows
    // "Success Data. ".
    std::function<void()> RefillReportTable;

    // When true, an empty DestinationPath means "compute the digest but write
    // no output file" instead of the "Please select path  . " message. Only
    // the command-line checker sets it; the window keeps it false.
    bool EmptyDestinationMeansNoOutput = false;

    // Message box texts of the Validate road.
    static constexpr const char* kSelectInputMessage = "Please select input file  . ";
    static constexpr const char* kSelectPathMessage = "Please select path  . ";
    static constexpr const char* kSuccessMessage = "Success Data. ";
    static constexpr const char* kUnableToOpenMessage = "Unable to open source file.";
    static constexpr const char* kOutputNamePrefix = "KVL.RX317.TLNREG.RQ.";
    static constexpr const char* kTempFileName = "TempNewFile.txt";

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
