// Aggregate calls: registration, keys and reading.
#include "TrpAggregates.h"

#include "TrpExpressionText.h"
#include "TrpGenerationInfo.h"

namespace report {

namespace {

std::string Sep() {
    return std::string(1, kAggregateSeparator);
}

// The data band a call with that band argument registers with, or null.
TrpAggregateBand* RegistrationBand(const std::string& bandArgument) {
    TrpGenerationInfo& info = GenerationInfo();
    TrpAggregateBand* collecting = info.CollectingBand;
    std::string band = TrimText(bandArgument);
    if (!band.empty())
        return band == collecting->BandName() ? collecting : nullptr;
    if (info.CurrentBand && info.CurrentBand->DefaultDataBand() == collecting)
        return collecting;
    return nullptr;
}

} // namespace

char AggregateCode(const std::string& upperName) {
    if (upperName == "SUM")
        return kAggregateSum;
    if (upperName == "MIN")
        return kAggregateMin;
    if (upperName == "MAX")
        return kAggregateMax;
    if (upperName == "AVG")
        return kAggregateAvg;
    if (upperName == "COUNT")
        return kAggregateCount;
    return 0;
}

std::string AggregateKey(const TrpAggregateBand& band, char code, const std::string& expression,
                         const std::string& flag) {
    std::string key = band.HoldsOtherBandsObjects() ? "0" + Sep() : std::string();
    return key + band.BandName() + Sep() + code + Sep() + expression + Sep() + flag + Sep();
}

std::string ColumnAggregateKey(int column, const std::string& markedKey) {
    if (markedKey.size() < 2 || markedKey[0] != '0' || markedKey[1] != kAggregateSeparator)
        return markedKey;
    return std::to_string(column) + markedKey.substr(1);
}

TrpValue EvaluateAggregate(char code, const std::string& p1, const std::string& p2,
                           const std::string& p3) {
    TrpGenerationInfo& info = GenerationInfo();
    bool count = code == kAggregateCount;
    const std::string& expression = p1;
    const std::string& bandArgument = count ? p1 : p2;
    const std::string& flag = count ? p2 : p3;
    TrpAggregateBand* current = info.CurrentBand;
    if (!current)
        return std::int64_t{0};
    if (info.CollectingAggregates()) {
        if (TrpAggregateBand* dataBand = RegistrationBand(bandArgument)) {
            std::string key = AggregateKey(*current, code, expression, flag);
            if (dataBand->Aggregates().IndexOf(key) < 0)
                dataBand->Aggregates().Set(key, code == kAggregateMin ? TrpValue(kAggregateMinStart)
                                                                      : TrpValue(std::int64_t{0}));
            current->RememberDataBand(dataBand);
        }
        return std::int64_t{0};
    }
    // A cell of a cross data band reads its row band's copy of this column.
    TrpAggregateBand* keyBand = current;
    if (current->IsCrossData() && info.CrossRowBand)
        keyBand = info.CrossRowBand;
    TrpAggregateBand* dataBand = keyBand->RememberedDataBand();
    if (!dataBand)
        return std::int64_t{0};
    std::string key = AggregateKey(*keyBand, code, expression, flag);
    if (keyBand != current)
        key = ColumnAggregateKey(info.ColumnNo, key);
    TrpValue value = dataBand->Aggregates().Get(key);
    if (value.IsNull())
        return std::int64_t{0};
    if (code == kAggregateAvg)
        return Divide(value, dataBand->RecordCount());
    return value;
}

} // namespace report
