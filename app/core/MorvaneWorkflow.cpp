// The validation window's actions without a toolkit; see MorvaneWorkflow.h.
#include "MorvaneWorkflow.h"

#include "HashedOutput.h"

#include <ctime>
#include <utility>

namespace morvane {

TMorvaneWorkflow::TMorvaneWorkflow(std::string dataDir, TResultGrid& grid, TMessageSink& messages)
    : dataDir_(std::move(dataDir)), grid_(grid), messages_(messages) {}

std::string TMorvaneWorkflow::TempNewFilePath() const {
    return dataDir_ + "/" + kTempFileName;
}

void TMorvaneWorkflow::Validate() {
    Fields.HashValue.clear();
    lastOutputPath_.clear();
    if (Fields.FileInput.empty()) {
        messages_.ShowMessage(TMessageKind::Error, kSelectInputMessage);
        return;
    }
    const bool writeOutput = !Fields.DestinationPath.empty();
    if (!writeOutput && !EmptyDestinationMeansNoOutput) {
        messages_.ShowMessage(TMessageKind::Error, kSelectPathMessage);
        return;
    }
    grid_.ClearGrid();

    validator_.ValidateFile(Fields.FileInput, grid_, messages_);

    const std::string tempPath = TempNewFilePath();
    WriteTempCopy(Fields.FileInput, tempPath);
    if (!validator_.DataValid) {
        return;
    }

    TSha1Digest digest{};
    if (!HashFile(tempPath, digest)) {
        // Without a digest there is nothing to write: the run ends here.
        messages_.ShowMessage(TMessageKind::Information, kUnableToOpenMessage);
        return;
    }
    Fields.HashValue = DigestText(digest);
    if (writeOutput) {
        WriteOutputFile(Fields.HashValue, tempPath, Fields.DestinationPath);
        lastOutputPath_ = Fields.DestinationPath;
    }

    if (RefillReportTable) {
        RefillReportTable();
    } else {
        grid_.SetStatusText(TResultGrid::kStatusSuccess);
        messages_.ShowMessage(TMessageKind::Information, kSuccessMessage);
    }
}

void TMorvaneWorkflow::Clear() {
    Fields.FileInput.clear();
    Fields.DestinationPath.clear();
    Fields.HashValue.clear();
    grid_.SetStatusText("");
    grid_.ClearGrid();
}

void TMorvaneWorkflow::ChooseDestination(const std::optional<std::string>& folder,
                                         std::chrono::system_clock::time_point now) {
    // The name is formed at the moment of choosing, not when validating.
    const std::string name = OutputFileName(now);
    if (folder) {
        Fields.DestinationPath = *folder + "/" + name;
    } else {
        Fields.DestinationPath.clear();
    }
}

std::string TMorvaneWorkflow::OutputFileName(std::chrono::system_clock::time_point now) {
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    const std::size_t n = std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local);
    return std::string(kOutputNamePrefix) + std::string(stamp, n);
}

} // namespace morvane
