// Test support for generation: builds report templates in code (pages,
// bands, text objects), record-counting datasets, and reads the printed
// objects back from the generated pages.
#pragma once

#include "TrpBandView.h"
#include "TrpEMFPages.h"
#include "TrpMemoView.h"
#include "TrpMessageBox.h"
#include "TrpReport.h"
#include "TrpUserDataset.h"
#include "TrpValueConvert.h"
#include "layout/LayoutTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace report::testing {

// One printed object as read back from a generated page.
struct PrintedObject {
    std::string name;
    int left = 0, top = 0, width = 0, height = 0;
    std::string text; // the memo lines joined by "\n"
};

// A report with an owner (the window of a real program), through which band
// data sources find the datasets: the owner frees both.
class OwnedReport {
public:
    OwnedReport() : report_(new TrpReport(&owner_)) { report_->ShowProgress = false; }
    TrpReport& operator*() { return *report_; }
    TrpReport* operator->() { return report_; }

private:
    tabula::TComponent owner_;
    TrpReport* report_;
};

class TemplateBuilder {
public:
    explicit TemplateBuilder(TrpReport& report) : report_(report) { AddPage(); }

    TrpReport& Report() { return report_; }
    TrpPage& Page() { return *page_; }

    // Starts a further template page.
    TrpPage& AddPage() {
        page_ = report_.Pages.Add();
        return *page_;
    }

    // A band of type at top with height; dataSource is its data source or
    // group condition. Flags are the band defaults unless given.
    TrpBandView& Band(std::uint8_t type, int top, int height, const std::string& dataSource = {},
                      const std::string& name = {}) {
        auto* band = static_cast<TrpBandView*>(page_->CreateView(kTypeBand));
        band->SetBandType(type);
        band->SetBounds(0, top, 600, height);
        band->FormatPattern = dataSource;
        if (!name.empty())
            band->Name = name;
        return *band;
    }

    // A text object with one memo line per entry.
    TrpMemoView& Memo(int left, int top, int width, int height, std::vector<std::string> lines,
                      const std::string& name = {}) {
        auto* memo = static_cast<TrpMemoView*>(page_->CreateView(kTypeMemo));
        memo->SetBounds(left, top, width, height);
        memo->Memo = std::move(lines);
        if (!name.empty())
            memo->Name = name;
        return *memo;
    }

    // A dataset of count records beside the report, named name.
    TrpUserDataset& Records(const std::string& name, int count) {
        auto* dataset = new TrpUserDataset(report_.Owner());
        dataset->SetName(name);
        dataset->RangeEnd = TRangeEnd::reCount;
        dataset->RangeEndCount = count;
        return *dataset;
    }

private:
    TrpReport& report_;
    TrpPage* page_ = nullptr;
};

// Every object printed on generated page index, in print order.
inline std::vector<PrintedObject> PrintedObjects(TrpReport& report, std::size_t index) {
    std::vector<PrintedObject> result;
    TrpPage& page = report.EMFPages().BuildPage(index);
    for (std::size_t i = 0; i < page.Count(); ++i) {
        TrpView* view = page.Object(i);
        result.push_back(
            {view->Name, view->Left, view->Top, view->Width, view->Height, JoinLines(view->Memo)});
    }
    return result;
}

// The printed objects of one name over all pages, as (page, object).
struct PrintedAt {
    std::size_t page;
    PrintedObject object;
};
inline std::vector<PrintedAt> FindPrinted(TrpReport& report, const std::string& name) {
    std::vector<PrintedAt> result;
    for (std::size_t p = 0; p < report.EMFPages().Count(); ++p)
        for (PrintedObject& object : PrintedObjects(report, p))
            if (object.name == name)
                result.push_back({p, object});
    return result;
}

// Records the message boxes shown while it is installed.
class RecordingMessageBoxes : public TrpMessageBoxSink {
public:
    RecordingMessageBoxes() { previous_ = SetMessageBoxSink(this); }
    ~RecordingMessageBoxes() override { SetMessageBoxSink(previous_); }
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        TrpMessageIcon) override {
        boxes.push_back({text, caption});
    }
    struct Box {
        std::string text, caption;
    };
    std::vector<Box> boxes;

private:
    TrpMessageBoxSink* previous_ = nullptr;
};

// The fixture of generation tests: a report with an owner and a builder on
// its first template page. Generation reloads the template, so a test asks
// the report for its page again rather than keep a pointer.
class GenerationFixture : public ::testing::Test {
protected:
    void SetUp() override { layout_test::EnsureGuiApplication(); }
    TrpPageBounds Bounds() { return report_.Pages[0]->Bounds(); }
    // Room between the top and bottom bounds (no page footer).
    int Room() { return Bounds().bottom - Bounds().top; }

    OwnedReport owned_;
    TrpReport& report_ = *owned_;
    TemplateBuilder build_{report_};
};

} // namespace report::testing
