// Walks of TrpDBDataSet over a real table: the ranges, the start bookmark,
// the count range with its events, the dataset and data source references.
#include "TrpDBDataSet.h"

#include "ReportTableSupport.h"
#include "TrpDataErrors.h"
#include "tabula/DataSource.h"

namespace report::test {
namespace {

class TrpDBDataSetTest : public ReportTableTest {
protected:
    // The No values a walk visits, as the generation engine drives it.
    std::vector<int> Walk(TrpDataset& dataset, int limit = 20) {
        std::vector<int> visited;
        dataset.OpenRange();
        dataset.First();
        while (!dataset.Eof() && static_cast<int>(visited.size()) < limit) {
            visited.push_back(CurrentNo());
            dataset.Next();
        }
        dataset.CloseRange();
        return visited;
    }
    void GoTo(int no) {
        table_->First();
        while (CurrentNo() != no)
            table_->Next();
    }
    TrpDBDataSet* MakeLink() {
        auto* link = new TrpDBDataSet(owner_.get());
        link->SetName("Rep1");
        link->SetDataSet(table_);
        return link;
    }
};

TEST_F(TrpDBDataSetTest, FirstToLastVisitsEveryRecordAndEndsAfterTheLastNext) {
    Fill(3);
    TrpDBDataSet* link = MakeLink();
    link->OpenRange();
    link->First();
    std::vector<int> visited{CurrentNo()};
    for (int step = 0; step < 2; ++step) {
        EXPECT_FALSE(link->Eof());
        link->Next();
        visited.push_back(CurrentNo());
    }
    EXPECT_FALSE(link->Eof());
    link->Next();
    EXPECT_TRUE(link->Eof());
    EXPECT_EQ(link->RecordNo(), 3);
    EXPECT_EQ(visited, (std::vector<int>{1, 2, 3}));
    link->CloseRange();

    table_->Close();
    EXPECT_EQ(Walk(*link), (std::vector<int>{1, 2, 3})) << "a closed table is opened";
}

TEST_F(TrpDBDataSetTest, CountRangeEndsAfterTheCountWithoutTheLastOnNext) {
    Fill(5);
    TrpDBDataSet* link = MakeLink();
    link->RangeEnd = TRangeEnd::reCount;
    link->RangeEndCount = 2;
    int firsts = 0;
    std::vector<int> nextRecordNos;
    link->OnFirst = [&](TrpDataset&) { ++firsts; };
    link->OnNext = [&](TrpDataset& sender) { nextRecordNos.push_back(sender.RecordNo()); };
    EXPECT_EQ(Walk(*link), (std::vector<int>{1, 2}));
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(nextRecordNos, (std::vector<int>{1}));

    link->RangeEndCount = 9; // more than there are records: the data ends first
    EXPECT_EQ(Walk(*link), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(TrpDBDataSetTest, WalksFromTheCurrentRecordReturnToIt) {
    Fill(5);
    TrpDBDataSet* link = MakeLink();
    link->RangeBegin = TRangeBegin::rbCurrent;

    GoTo(3);
    EXPECT_EQ(Walk(*link), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(CurrentNo(), 3) << "CloseRange goes back to the start record";
    EXPECT_TRUE(link->StartBookmark().empty()) << "the bookmark is freed";

    link->RangeEnd = TRangeEnd::reCurrent;
    GoTo(4);
    EXPECT_EQ(Walk(*link), (std::vector<int>{4})) << "exactly the start record";
    EXPECT_EQ(CurrentNo(), 4);

    // From the first record up to the current one: Next moves on until the
    // start record has been visited, then the range end is reached.
    link->RangeBegin = TRangeBegin::rbFirst;
    GoTo(3);
    EXPECT_EQ(Walk(*link), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(link->RangeEndReached());
    EXPECT_EQ(CurrentNo(), 3);

    // A plain first-to-last walk leaves the dataset where the walk ended.
    link->RangeEnd = TRangeEnd::reLast;
    GoTo(2);
    Walk(*link);
    EXPECT_TRUE(table_->Eof());
}

TEST_F(TrpDBDataSetTest, EmptyTableEndsAtOnceInEveryRange) {
    table_->Open();
    TrpDBDataSet* link = MakeLink();
    for (TRangeBegin begin : {TRangeBegin::rbFirst, TRangeBegin::rbCurrent})
        for (TRangeEnd end : {TRangeEnd::reLast, TRangeEnd::reCurrent, TRangeEnd::reCount}) {
            link->RangeBegin = begin;
            link->RangeEnd = end;
            link->RangeEndCount = 3;
            link->OpenRange();
            link->First();
            EXPECT_TRUE(link->Eof());
            link->CloseRange();
        }
}

TEST_F(TrpDBDataSetTest, OpenAndCloseFollowTheSwitchesAndEvents) {
    Fill(2);
    table_->Close();
    TrpDBDataSet* link = MakeLink();
    std::vector<std::string> events;
    link->OnOpen = [&](TrpDataset&) {
        events.push_back(table_->Active() ? "open:on" : "open:off");
    };
    link->OnClose = [&](TrpDataset&) {
        events.push_back(table_->Active() ? "close:on" : "close:off");
    };

    link->OpenDataSource = false;
    link->OpenRange();
    EXPECT_FALSE(table_->Active());
    link->CloseRange();

    link->OpenDataSource = true;
    link->CloseDataSource = true;
    EXPECT_EQ(Walk(*link).size(), 2u);
    EXPECT_FALSE(table_->Active());
    EXPECT_EQ(events, (std::vector<std::string>{"open:off", "close:off", "open:on", "close:on"}));
}

TEST_F(TrpDBDataSetTest, DatasetAndDataSourceReferences) {
    Fill(3);
    auto* link = new TrpDBDataSet(owner_.get());
    link->SetName("Rep1");
    try {
        link->OpenRange();
        FAIL() << "no dataset";
    } catch (const EDSError& error) {
        EXPECT_STREQ(error.what(), "Unable to open dataset Rep1");
    }

    auto* source = new tabula::TDataSource(owner_.get());
    source->SetDataSet(table_);
    link->SetDataSet(table_);
    link->SetDataSource(source);
    EXPECT_EQ(link->DataSet(), nullptr) << "a data source clears the dataset";
    EXPECT_EQ(&link->GetDataSet(), table_);
    link->SetDataSource(nullptr);
    link->SetDataSet(table_);
    link->SetDataSource(nullptr);
    EXPECT_EQ(link->DataSet(), table_) << "an empty data source leaves the dataset";
    link->SetDataSource(source);
    link->SetDataSet(table_);
    EXPECT_EQ(link->DataSource(), nullptr) << "a dataset clears the data source";

    // A removed data source or dataset leaves the reference cleared.
    link->SetDataSource(source);
    delete source;
    EXPECT_EQ(link->DataSource(), nullptr);
    link->SetDataSet(table_);
    delete table_;
    table_ = nullptr;
    EXPECT_EQ(link->DataSet(), nullptr);
    EXPECT_THROW(link->OpenRange(), EDSError);
}

TEST_F(TrpDBDataSetTest, DataSourceWithoutDatasetFallsBackToNone) {
    Fill(1);
    TrpDBDataSet* link = MakeLink();
    tabula::TDataSource source;
    link->SetDataSource(&source);
    EXPECT_THROW(link->GetDataSet(), EDSError);
    source.SetDataSet(table_);
    EXPECT_EQ(Walk(*link), (std::vector<int>{1}));
    link->SetDataSource(nullptr);
}

TEST_F(TrpDBDataSetTest, CloseRangeClosesEvenWhenTheStartRecordIsGone) {
    Fill(3);
    TrpDBDataSet* link = MakeLink();
    link->RangeBegin = TRangeBegin::rbCurrent;
    link->CloseDataSource = true;
    GoTo(2);
    link->OpenRange();
    link->First();
    table_->Delete();
    try {
        link->CloseRange();
    } catch (const std::exception&) {
        // going back may fail; what matters is the state afterwards
    }
    EXPECT_TRUE(link->StartBookmark().empty());
    EXPECT_FALSE(table_->Active());
}

} // namespace
} // namespace report::test
