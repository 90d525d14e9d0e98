// The preview window's seams to the outside: the file dialogs of open and
// save (tests install answers instead of blocking in a dialog), the search
// dialog, and the print request that the print dialog's code installs.
#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace report {

class TrpPreviewForm;
struct TrpSearchRequest;

// Asks for a file name; empty when the user cancelled. filter is a Qt
// file-dialog filter.
struct TrpPreviewFileDialogs {
    std::function<std::string(QWidget* parent, const std::string& filter)> OpenFileName;
    std::function<std::string(QWidget* parent, const std::string& filter)> SaveFileName;
};
// The installed dialogs; by default QFileDialog.
TrpPreviewFileDialogs& PreviewFileDialogs();

// Shows the search dialog with the last choices; nothing on Cancel. By
// default TrpPreviewSearchForm.
using TrpSearchDialog =
    std::function<std::optional<TrpSearchRequest>(QWidget* parent, const TrpSearchRequest&)>;
TrpSearchDialog& PreviewSearchDialog();

// Prints the pages of the preview (print dialog and job). Called with the
// pages given back to the report for the length of the call; none installed
// means the print button does nothing.
using TrpPreviewPrintHook = std::function<void(TrpPreviewForm& form)>;
TrpPreviewPrintHook& PreviewPrintRequest();

} // namespace report
