// A report with one page holding the text object "Memo1" and its
// evaluator installed, as the expression and script tests use it; the
// engine-wide lists and state are reset around each test.
#pragma once

#include "TInterpretator.h"
#include "TrpEngineLists.h"
#include "TrpEngineState.h"
#include "TrpGenerationInfo.h"
#include "TrpMemoView.h"
#include "TrpReport.h"
#include "TrpReportEvaluator.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace report::testing {

struct ScriptTestFixture : ::testing::Test {
    TrpReport report;
    TrpPage* page = report.Pages.Add();
    TrpMemoView* memo = dynamic_cast<TrpMemoView*>(page->CreateView(kTypeMemo));
    TrpReportEvaluator& evaluator = InstallEvaluator(report);

    ScriptTestFixture() { Reset(); }
    ~ScriptTestFixture() override {
        EngineState() = TrpEngineState{};
        GenerationInfo() = TrpGenerationInfo{};
        GlobalVariables().Clear();
    }
    void Reset() {
        GlobalVariables().Clear();
        GenerationInfo() = TrpGenerationInfo{};
        report.Dictionary.Clear();
        report.Terminated = false;
        memo->Name = "Memo1";
        memo->Memo = {"hello"};
        memo->Visible = true;
        EngineState().CurrentReport = &report;
        EngineState().CurrentView = memo;
    }
    // The value text of expression, or "!" + the error message.
    std::string Outcome(const std::string& expression) {
        try {
            return evaluator.Calc(expression).ToText();
        } catch (const std::exception& error) {
            return std::string("!") + error.what();
        }
    }
};

// One line of a test data file with its line number.
struct DataLine {
    int number;
    std::string text;
};

inline std::vector<std::filesystem::path> DataFiles(const char* folder) {
    std::vector<std::filesystem::path> files;
    auto dir = std::filesystem::path(__FILE__).parent_path().parent_path() / folder;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".test")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<DataLine> ReadDataLines(const std::filesystem::path& file);

} // namespace report::testing
