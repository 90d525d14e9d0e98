// The report's evaluator beyond the data files: dataset fields through the
// dictionary and its aliases, the report's events, the user seams,
// aggregate registration and reading, and scripts stopped from outside.
#include "../data/ReportTableSupport.h"
#include "ScriptTestFixture.h"
#include "TrpAggregates.h"
#include "TrpInputBox.h"
#include "TrpScriptFormat.h"

namespace report::testing {
namespace {

class DictionaryFieldTest : public report::test::ReportTableTest {
protected:
    void SetUp() override {
        ReportTableTest::SetUp();
        report_ = new TrpReport(owner_.get());
        evaluator_ = &InstallEvaluator(*report_);
        GenerationInfo() = TrpGenerationInfo{};
    }
    void TearDown() override {
        GenerationInfo() = TrpGenerationInfo{};
        ReportTableTest::TearDown();
    }
    std::string Text(const std::string& expression) {
        return evaluator_->Calc(expression).ToText();
    }
    TrpReport* report_ = nullptr;
    TrpReportEvaluator* evaluator_ = nullptr;
};

TEST_F(DictionaryFieldTest, FieldsByReferenceAliasAndVariable) {
    Fill(2);
    TrpDataDictionary& dictionary = report_->Dictionary;
    EXPECT_EQ(Text("[T.\"Name\"]"), "R1");
    EXPECT_EQ(Text("T.Name"), "R1");
    dictionary.Aliases.Set("T", "Detail");
    dictionary.Aliases.Set("T.\"Name\"", "Label");
    EXPECT_EQ(Text("[Detail.Label]"), "R1") << "dataset and field aliases";
    dictionary.Variables.Set("Who", std::string("T.Name"));
    EXPECT_EQ(Text("[Who]"), "R1") << "a variable whose text is a field";
    table_->Next();
    EXPECT_EQ(Text("[Who]"), "R2") << "the cache keeps the field, not its value";
    EXPECT_THROW(evaluator_->Calc("Qty"), ETrpExpressionError) << "no default dataset";
}

TEST_F(DictionaryFieldTest, BareFieldsUseTheCurrentBandsDataset) {
    Fill(1);
    GenerationInfo().DefaultDataset = table_;
    EXPECT_EQ(Text("Name + '/' + str(No)"), "R1/1");
    EXPECT_EQ(Text("Qty"), "0") << "a Null integer field reads 0";
}

struct RecordingInputBox : TrpInputBoxSink {
    std::vector<std::string> calls;
    std::string InputBox(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) override {
        calls.push_back("input[" + caption + "|" + prompt + "|" + defaultText + "]");
        return "typed";
    }
    int MessageBox(const std::string& text, const std::string& caption,
                   std::int64_t flags) override {
        calls.push_back("box[" + text + "|" + caption + "|" + std::to_string(flags) + "]");
        return 6;
    }
};

using EvaluatorTest = ScriptTestFixture;

TEST_F(EvaluatorTest, EventsComeFirstAndLast) {
    report.OnGetValue = [](const std::string& name, TrpValue& value) {
        if (name == "PAGE#")
            value = std::string("overridden");
    };
    std::vector<std::string> calls;
    report.OnUserFunction = [&calls](const std::string& name, const TrpValue& p1, const TrpValue&,
                                     const TrpValue&, TrpValue& value) {
        calls.push_back(name + ":" + p1.ToText() + ":" + value.ToText());
        value = 99;
    };
    EXPECT_EQ(Outcome("PAGE#"), "overridden");
    EXPECT_EQ(Outcome("TOTALPAGES"), "0") << "names the event leaves alone";
    EXPECT_EQ(Outcome("MYFUNC(1 + 1) + 1"), "100");
    EXPECT_EQ(Outcome("length('abc')"), "3") << "library functions never reach the event";
    EXPECT_EQ(calls, (std::vector<std::string>{"MYFUNC:1 + 1:0"}));
}

TEST_F(EvaluatorTest, InputAndMessageBoxGoThroughTheSeam) {
    RecordingInputBox sink;
    TrpInputBoxSink* previous = SetInputBoxSink(&sink);
    EXPECT_EQ(Outcome("input('Name?', 'a' + 'b')"), "typed");
    EXPECT_EQ(Outcome("messagebox('Go on?', 'Ask', mb_YesNo + mb_IconQuestion) = mrYes"), "1");
    SetInputBoxSink(previous);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"input[|Name?|ab]", "box[Go on?|Ask|36]"}));
}

TEST_F(EvaluatorTest, ObjectMethodsEvaluateThroughTheReport) {
    memo->CallMethod("MEMO.ADD", std::string("2 * 21"), {}, {});
    EXPECT_EQ(memo->Memo, (TrpStrings{"hello", "42"}));
    EXPECT_EQ(Outcome("Memo1.Memo.IndexOf('hello')"), "0");
}

TEST_F(EvaluatorTest, UndefinedSymbolsAreSilentWhileAggregatesAreCollected) {
    struct NoBand : TrpAggregateBand {
        TrpVariables list;
        std::string BandName() const override { return "Data"; }
        TrpAggregateBand* DefaultDataBand() override { return this; }
        bool HoldsOtherBandsObjects() const override { return false; }
        bool IsCrossData() const override { return false; }
        TrpAggregateBand* RememberedDataBand() override { return nullptr; }
        void RememberDataBand(TrpAggregateBand*) override {}
        TrpVariables& Aggregates() override { return list; }
        int RecordCount() const override { return 0; }
    } band;
    GenerationInfo().CollectingBand = &band;
    EXPECT_EQ(Outcome("nosuch + 1"), "1");
    memo->Memo = {"[nosuch]"};
    evaluator.ExpandMemo(*memo);
    EXPECT_EQ(memo->ResultMemo, (TrpStrings{""})) << "nothing is formatted while collecting";
}

// A run-time band for aggregate calls.
struct FakeBand : TrpAggregateBand {
    std::string name;
    FakeBand* defaultData = nullptr;
    FakeBand* remembered = nullptr;
    bool holdsOthers = false;
    bool crossData = false;
    int records = 0;
    TrpVariables list;
    explicit FakeBand(std::string n) : name(std::move(n)) {}
    std::string BandName() const override { return name; }
    TrpAggregateBand* DefaultDataBand() override { return defaultData; }
    bool HoldsOtherBandsObjects() const override { return holdsOthers; }
    bool IsCrossData() const override { return crossData; }
    TrpAggregateBand* RememberedDataBand() override { return remembered; }
    void RememberDataBand(TrpAggregateBand* band) override {
        remembered = static_cast<FakeBand*>(band);
    }
    TrpVariables& Aggregates() override { return list; }
    int RecordCount() const override { return records; }
};

TEST_F(EvaluatorTest, AggregatesRegisterUnderTheirKeysAndReadBack) {
    FakeBand data("MasterData"), footer("Footer"), other("OtherData");
    footer.defaultData = &data;
    TrpGenerationInfo& info = GenerationInfo();
    info.CurrentBand = &footer;
    info.CollectingBand = &data;
    EXPECT_EQ(Outcome("sum([Qty])"), "0");
    EXPECT_EQ(Outcome("min([Qty], MasterData, 1)"), "0");
    EXPECT_EQ(Outcome("count(MasterData)"), "0");
    EXPECT_EQ(Outcome("max([Qty], OtherData)"), "0") << "another band's call";
    const std::string s(1, kAggregateSeparator);
    ASSERT_EQ(data.list.Count(), 3);
    EXPECT_EQ(data.list.Get("Footer" + s + "\x0B" + s + "[Qty]" + s + s), TrpValue(0));
    EXPECT_EQ(data.list.Get("Footer" + s + "\x0C" + s + "[Qty]" + s + "1" + s), TrpValue(1e300));
    EXPECT_EQ(data.list.Get("Footer" + s + "\x0F" + s + "MasterData" + s + s), TrpValue(0));
    EXPECT_EQ(footer.remembered, &data);

    info.CollectingBand = nullptr;
    data.list.Set("Footer" + s + "\x0B" + s + "[Qty]" + s + s, 30);
    data.records = 4;
    EXPECT_EQ(Outcome("sum([Qty])"), "30");
    EXPECT_EQ(Outcome("count(MasterData)"), "0");
    data.list.Set("Footer" + s + "\x0E" + s + "[Qty]" + s + s, 30);
    EXPECT_EQ(Outcome("avg([Qty])"), "7.5") << "the sum over the records counted";
    footer.holdsOthers = true;
    EXPECT_EQ(AggregateKey(footer, kAggregateSum, "x", "f"),
              "0" + s + "Footer" + s + "\x0B" + s + "x" + s + "f" + s);
}

TEST_F(EvaluatorTest, ALoopStopsWhenTheReportIsTerminatedFromOutside) {
    int polls = 0;
    GenerationInfo().PollEvents = [this, &polls] {
        if (++polls == 3)
            report.Terminated = true; // Cancel pressed in the progress window
    };
    TrpStrings code, errors;
    EngineInterpretator().CompileScript({"begin a := 0; while 1 do a := a + 1 end"}, code, errors);
    ASSERT_TRUE(errors.empty());
    EngineInterpretator().RunScript(code);
    EXPECT_EQ(polls, 3);
    EXPECT_EQ(Outcome("a"), std::to_string(3 * kJumpsPerPoll));
}

TEST_F(EvaluatorTest, ScriptsCompileInPlaceAndOversizedOnesAreRefused) {
    TrpStrings script = {"begin", "  a := 1", "end"};
    TrpStrings errors = {"old"};
    EngineInterpretator().CompileScript(script, script, errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(script, (TrpStrings{"a 1 "}));

    TrpStrings big(kScriptBufferSize / 8, "a := 1; ");
    TrpStrings code;
    EngineInterpretator().CompileScript(big, code, errors);
    EXPECT_EQ(errors, (TrpStrings{"Line 1/1: Script is larger than 32000 bytes"}));
    EXPECT_TRUE(code.empty());
}

TEST_F(EvaluatorTest, TextsCannotGrowWithoutBound) {
    TrpStrings code, errors;
    EngineInterpretator().CompileScript({"begin s := 'x'; while 1 do s := s + s end"}, code,
                                        errors);
    ASSERT_TRUE(errors.empty());
    EXPECT_THROW(EngineInterpretator().RunScript(code), ETrpValueError);
}

} // namespace
} // namespace report::testing
