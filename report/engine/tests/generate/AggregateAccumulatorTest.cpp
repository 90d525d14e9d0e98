// Accumulating and resetting a data band's aggregates, with the calls
// registered and read back through the aggregate functions themselves, so
// that the keys are the ones the expressions make.
#include "TrpAggregateAccumulator.h"
#include "TrpAggregates.h"
#include "TrpGenerationInfo.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace report {
namespace {

class FakeBand : public TrpAggregateBand {
public:
    FakeBand(std::string name, FakeBand* defaultDataBand = nullptr, bool holdsOthers = false)
        : name_(std::move(name)), default_(defaultDataBand), holdsOthers_(holdsOthers) {}
    std::string BandName() const override { return name_; }
    TrpAggregateBand* DefaultDataBand() override { return default_; }
    bool HoldsOtherBandsObjects() const override { return holdsOthers_; }
    bool IsCrossData() const override { return false; }
    TrpAggregateBand* RememberedDataBand() override { return remembered_; }
    void RememberDataBand(TrpAggregateBand* dataBand) override { remembered_ = dataBand; }
    TrpVariables& Aggregates() override { return aggregates_; }
    int RecordCount() const override { return records_; }

    int records_ = 0;

private:
    std::string name_;
    FakeBand* default_;
    bool holdsOthers_;
    TrpAggregateBand* remembered_ = nullptr;
    TrpVariables aggregates_;
};

class AggregateAccumulatorTest : public ::testing::Test {
protected:
    void TearDown() override { GenerationInfo() = TrpGenerationInfo{}; }

    // Registers the call (code and its three argument texts) made in reader
    // with data_, as the engine's collection does.
    void Register(FakeBand& reader, char code, const std::string& p1, const std::string& p2 = {},
                  const std::string& p3 = {}) {
        GenerationInfo().CollectingBand = &data_;
        GenerationInfo().CurrentBand = &reader;
        EvaluateAggregate(code, p1, p2, p3);
        GenerationInfo().CollectingBand = nullptr;
    }
    TrpValue Read(FakeBand& reader, char code, const std::string& p1, const std::string& p2 = {},
                  const std::string& p3 = {}) {
        GenerationInfo().CurrentBand = &reader;
        return EvaluateAggregate(code, p1, p2, p3);
    }
    // One record with the given field values; evaluations are counted.
    void Record(const std::map<std::string, TrpValue>& fields, bool visible = true,
                bool cross = false, int column = 1) {
        TrpAccumulationRound round;
        round.BandVisible = visible;
        round.HoldsCrossCells = cross;
        round.ColumnNo = column;
        round.Evaluate = [this, fields](const std::string& expression) {
            ++evaluations_;
            return fields.at(expression);
        };
        AccumulateAggregates(data_, round, [this] { ++data_.records_; });
    }
    void Reset(FakeBand& reader) {
        ResetAggregates(reader, [this] { data_.records_ = 0; });
    }

    FakeBand data_{"MasterData1"};
    FakeBand footer_{"MasterFooter1", &data_};
    int evaluations_ = 0;
};

TEST_F(AggregateAccumulatorTest, AccumulatesEachFunctionAndResetsToItsStart) {
    Register(footer_, kAggregateSum, "Amount");
    Register(footer_, kAggregateAvg, "Amount", "MasterData1");
    Register(footer_, kAggregateMin, "Amount");
    Register(footer_, kAggregateMax, "Amount");
    Register(footer_, kAggregateCount, "MasterData1");
    // A footer printed before any record shows the starting values.
    EXPECT_EQ(Read(footer_, kAggregateMin, "Amount"), TrpValue(kAggregateMinStart));
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount"), TrpValue(0));

    Record({{"Amount", 5}});
    Record({{"Amount", 2.5}});
    Record({{"Amount", 9}});
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount").ToReal(), 16.5);
    EXPECT_DOUBLE_EQ(Read(footer_, kAggregateAvg, "Amount", "MasterData1").ToReal(), 5.5);
    EXPECT_EQ(Read(footer_, kAggregateMin, "Amount").ToReal(), 2.5);
    EXPECT_EQ(Read(footer_, kAggregateMax, "Amount").ToReal(), 9);
    EXPECT_EQ(Read(footer_, kAggregateCount, "MasterData1"), TrpValue(3));
    EXPECT_EQ(data_.records_, 3);
    // The five entries share one expression text: one evaluation per record.
    EXPECT_EQ(evaluations_, 3);

    Reset(footer_);
    EXPECT_EQ(data_.records_, 0);
    EXPECT_EQ(Read(footer_, kAggregateMin, "Amount"), TrpValue(kAggregateMinStart));
    EXPECT_EQ(Read(footer_, kAggregateMax, "Amount"), TrpValue(0));
    EXPECT_EQ(Read(footer_, kAggregateCount, "MasterData1"), TrpValue(0));
    Record({{"Amount", 4}});
    EXPECT_EQ(Read(footer_, kAggregateMin, "Amount").ToReal(), 4);
}

TEST_F(AggregateAccumulatorTest, ResetTouchesOnlyTheReadersEntries) {
    FakeBand summary("ReportSummary1", &data_);
    FakeBand title("ReportTitle1", &data_);
    Register(footer_, kAggregateSum, "Amount");
    Register(summary, kAggregateSum, "Amount");
    Record({{"Amount", 3}});
    Record({{"Amount", 4}});
    Reset(footer_);
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount"), TrpValue(0));
    EXPECT_EQ(Read(summary, kAggregateSum, "Amount"), TrpValue(7));
    // A band that registered nothing resets nothing, not even the count.
    data_.records_ = 5;
    Reset(title);
    EXPECT_EQ(data_.records_, 5);
}

TEST_F(AggregateAccumulatorTest, InvisibleRecordsCountOnlyForFlaggedCalls) {
    Register(footer_, kAggregateSum, "Amount", "MasterData1");
    Register(footer_, kAggregateSum, "Amount", "MasterData1", " 1 ");
    Register(footer_, kAggregateCount, "MasterData1");
    Register(footer_, kAggregateCount, "MasterData1", "1");
    Record({{"Amount", 10}});
    Record({{"Amount", 20}}, false);
    Record({{"Amount", 30}});
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount", "MasterData1"), TrpValue(40));
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount", "MasterData1", " 1 "), TrpValue(60));
    EXPECT_EQ(Read(footer_, kAggregateCount, "MasterData1"), TrpValue(2));
    EXPECT_EQ(Read(footer_, kAggregateCount, "MasterData1", "1"), TrpValue(3));
    // The record count grows for every record, shown or not.
    EXPECT_EQ(data_.records_, 3);
}

TEST_F(AggregateAccumulatorTest, ReusesOnlyTheValueEvaluatedJustBefore) {
    Register(footer_, kAggregateSum, "a");
    Register(footer_, kAggregateCount, "MasterData1");
    Register(footer_, kAggregateMax, "a");
    Register(footer_, kAggregateSum, "b");
    Register(footer_, kAggregateMin, "a");
    Record({{"a", 1}, {"b", 2}});
    // a (COUNT evaluates nothing, so MAX(a) reuses it), b, then a again.
    EXPECT_EQ(evaluations_, 3);
    EXPECT_EQ(Read(footer_, kAggregateMin, "a"), TrpValue(1));
}

TEST_F(AggregateAccumulatorTest, NullValuesLeaveTheTotalsAlone) {
    Register(footer_, kAggregateSum, "Qty");
    Register(footer_, kAggregateMin, "Qty", "MasterData1");
    Register(footer_, kAggregateAvg, "Qty");
    Record({{"Qty", 4}});
    Record({{"Qty", TrpValue::Null()}});
    Record({{"Qty", 2}});
    EXPECT_EQ(Read(footer_, kAggregateSum, "Qty"), TrpValue(6));
    EXPECT_EQ(Read(footer_, kAggregateMin, "Qty", "MasterData1"), TrpValue(2));
    // AVG divides by the records counted, Null ones included.
    EXPECT_DOUBLE_EQ(Read(footer_, kAggregateAvg, "Qty").ToReal(), 2.0);
}

TEST_F(AggregateAccumulatorTest, CrossCellsKeepOneTotalPerColumn) {
    FakeBand rowFooter("MasterFooter2", &data_, true);
    Register(rowFooter, kAggregateSum, "Cell");
    Register(footer_, kAggregateSum, "Amount");
    const TrpVariables& list = data_.Aggregates();
    const std::string sep(1, kAggregateSeparator);
    const std::string rest =
        sep + "MasterFooter2" + sep + char(kAggregateSum) + sep + "Cell" + sep + sep;
    ASSERT_EQ(list.Name(0), "0" + rest);

    Record({{"Cell", 1}}, true, true, 1);
    Record({{"Cell", 10}}, true, true, 2);
    Record({{"Cell", 2}}, true, true, 1);
    EXPECT_EQ(list.Get("1" + rest), TrpValue(3));
    EXPECT_EQ(list.Get("2" + rest), TrpValue(10));
    // The original stays at its start; an unmarked entry has no column.
    EXPECT_EQ(list.Get("0" + rest), TrpValue(0));
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount"), TrpValue(0));
    EXPECT_EQ(list.Count(), 4);

    // Outside cross printing the marked entry accumulates like any other.
    Record({{"Cell", 7}, {"Amount", 5}});
    EXPECT_EQ(list.Get("0" + rest), TrpValue(7));
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount"), TrpValue(5));

    // Resetting the reader resets its column totals too.
    Reset(rowFooter);
    EXPECT_EQ(list.Get("1" + rest), TrpValue(0));
    EXPECT_EQ(list.Get("2" + rest), TrpValue(0));
    EXPECT_EQ(Read(footer_, kAggregateSum, "Amount"), TrpValue(5));
}

TEST_F(AggregateAccumulatorTest, CrossCopiesOfMinStartAtTheMinStart) {
    FakeBand rowFooter("MasterFooter2", &data_, true);
    Register(rowFooter, kAggregateMin, "Cell");
    Record({{"Cell", 9}}, true, true, 1);
    Record({{"Cell", 3}}, true, true, 3);
    const std::string sep(1, kAggregateSeparator);
    const std::string rest =
        sep + "MasterFooter2" + sep + char(kAggregateMin) + sep + "Cell" + sep + sep;
    EXPECT_EQ(data_.Aggregates().Get("1" + rest), TrpValue(9));
    EXPECT_EQ(data_.Aggregates().Get("3" + rest), TrpValue(3));
    // Column 2 never printed; a copy is made only for a column being printed.
    EXPECT_TRUE(data_.Aggregates().Get("2" + rest).IsNull());
}

TEST_F(AggregateAccumulatorTest, IgnoresEntriesOfAnotherShape) {
    data_.Aggregates().Set("not a key", std::int64_t{0});
    data_.Aggregates().Set(std::string("B") + kAggregateSeparator + char(99) + kAggregateSeparator +
                               "x" + kAggregateSeparator + kAggregateSeparator,
                           std::int64_t{0});
    Register(footer_, kAggregateCount, "MasterData1");
    Record({});
    EXPECT_EQ(Read(footer_, kAggregateCount, "MasterData1"), TrpValue(1));
    EXPECT_EQ(data_.Aggregates().Value(0), TrpValue(0));
}

} // namespace
} // namespace report
