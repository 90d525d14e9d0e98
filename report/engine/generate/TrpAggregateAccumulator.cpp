// Accumulating and resetting a data band's aggregates. The band's list is
// keyed as TrpAggregates.h describes; a per-column copy made during cross
// printing replaces the key's leading "0" by the column number. Band names
// are identifiers, so a leading field of "0" or of digits is always such a
// mark and never a band name.
#include "TrpAggregateAccumulator.h"

#include "TrpAggregates.h"
#include "TrpExpressionText.h"

#include <cctype>
#include <optional>

namespace report {

namespace {

constexpr char kCrossMark = '0';

bool IsDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// The first field of key (up to the separator), or nullopt when the key
// has no separator.
std::optional<std::string> FirstField(const std::string& key) {
    std::size_t sep = key.find(kAggregateSeparator);
    if (sep == std::string::npos)
        return std::nullopt;
    return key.substr(0, sep);
}

// Key without its leading mark field ("0" or a column number), if any.
std::string WithoutMark(const std::string& key) {
    std::optional<std::string> first = FirstField(key);
    if (first && IsDigits(*first))
        return key.substr(first->size() + 1);
    return key;
}

// One entry's parts: band-name sep code sep expression sep flag sep.
struct TrpAggregateEntry {
    std::string Band;
    char Code = 0;
    std::string Expression;
    std::string Flag;
};

// Reads an unmarked key; nullopt for a key not of that shape. The
// expression is everything between the code and the last field, so an
// expression holding the separator character survives.
std::optional<TrpAggregateEntry> ParseKey(const std::string& key) {
    std::size_t bandEnd = key.find(kAggregateSeparator);
    if (bandEnd == std::string::npos || bandEnd + 2 >= key.size() ||
        key[bandEnd + 2] != kAggregateSeparator || key.back() != kAggregateSeparator)
        return std::nullopt;
    const std::size_t exprBegin = bandEnd + 3;
    const std::size_t flagEnd = key.size() - 1;
    std::size_t flagBegin = key.rfind(kAggregateSeparator, flagEnd - 1);
    if (flagBegin == std::string::npos || flagBegin < exprBegin)
        return std::nullopt;
    ++flagBegin;
    TrpAggregateEntry entry;
    entry.Band = key.substr(0, bandEnd);
    entry.Code = key[bandEnd + 1];
    entry.Expression = TrimText(key.substr(exprBegin, flagBegin - 1 - exprBegin));
    entry.Flag = TrimText(key.substr(flagBegin, flagEnd - flagBegin));
    switch (entry.Code) {
    case kAggregateSum:
    case kAggregateMin:
    case kAggregateMax:
    case kAggregateAvg:
    case kAggregateCount:
        return entry;
    default:
        return std::nullopt;
    }
}

TrpValue StartValue(char code) {
    return code == kAggregateMin ? TrpValue(kAggregateMinStart) : TrpValue(std::int64_t{0});
}

// Adds the current column's copy of the first cross-marked entry that lacks
// one; false when every such entry has its copy.
bool AddColumnCopy(TrpVariables& aggregates, int column) {
    for (int i = 0; i < aggregates.Count(); ++i) {
        const std::string key = aggregates.Name(i);
        if (FirstField(key) != std::string(1, kCrossMark))
            continue;
        const std::string copy = ColumnAggregateKey(column, key);
        if (aggregates.IndexOf(copy) >= 0)
            continue;
        std::optional<TrpAggregateEntry> entry = ParseKey(WithoutMark(key));
        aggregates.Set(copy, StartValue(entry ? entry->Code : 0));
        return true;
    }
    return false;
}

// The new accumulated value of entry after one more record's value.
TrpValue Accumulated(char code, const TrpValue& current, const TrpValue& value) {
    if (code == kAggregateCount)
        return Add(current, std::int64_t{1});
    // A Null field is no value: it would turn a sum into Null for good and
    // sort below every minimum.
    if (IsNull(value))
        return current;
    switch (code) {
    case kAggregateSum:
    case kAggregateAvg:
        return Add(current, value);
    case kAggregateMin:
        return Compare(value, current) < 0 ? value : current;
    default: // kAggregateMax
        return Compare(value, current) > 0 ? value : current;
    }
}

// The expression evaluated last in one round, and its value.
struct TrpLastEvaluation {
    bool Valid = false;
    std::string Expression;
    TrpValue Value;
};

TrpValue EvaluateOnce(const TrpAccumulationRound& round, const std::string& expression,
                      TrpLastEvaluation& last) {
    if (!last.Valid || last.Expression != expression) {
        last.Value = round.Evaluate(expression);
        last.Expression = expression;
        last.Valid = true;
    }
    return last.Value;
}

} // namespace

void AccumulateAggregates(TrpAggregateBand& band, const TrpAccumulationRound& round,
                          const std::function<void()>& incrementRecordCount) {
    TrpVariables& aggregates = band.Aggregates();
    const std::string column = std::to_string(round.ColumnNo);
    // Each addition starts the scan again: a sorted list may have moved
    // the entries.
    if (round.HoldsCrossCells)
        while (AddColumnCopy(aggregates, round.ColumnNo)) {
        }
    TrpLastEvaluation last;
    for (int i = 0; i < aggregates.Count(); ++i) {
        std::string key = aggregates.Name(i);
        if (round.HoldsCrossCells) {
            // Only the current column's copies; the "0" originals and
            // unmarked keys have no column.
            if (FirstField(key) != column)
                continue;
            key = key.substr(column.size() + 1);
        } else {
            // A record round leaves the per-column copies to the column
            // rounds: they would otherwise count each record once more.
            std::optional<std::string> first = FirstField(key);
            if (first && IsDigits(*first) && *first != std::string(1, kCrossMark))
                continue;
            key = WithoutMark(key);
        }
        std::optional<TrpAggregateEntry> entry = ParseKey(key);
        if (!entry)
            continue;
        TrpValue value;
        if (entry->Code != kAggregateCount)
            value = EvaluateOnce(round, entry->Expression, last);
        if (!round.BandVisible && entry->Flag != "1")
            continue;
        aggregates.SetValue(i, Accumulated(entry->Code, aggregates.Value(i), value));
    }
    if (incrementRecordCount)
        incrementRecordCount();
}

void ResetAggregates(TrpAggregateBand& reader, const std::function<void()>& resetRecordCount) {
    TrpAggregateBand* dataBand = reader.RememberedDataBand();
    if (!dataBand)
        return;
    TrpVariables& aggregates = dataBand->Aggregates();
    const std::string name = reader.BandName();
    for (int i = 0; i < aggregates.Count(); ++i) {
        std::optional<TrpAggregateEntry> entry = ParseKey(WithoutMark(aggregates.Name(i)));
        if (entry && entry->Band == name)
            aggregates.SetValue(i, StartValue(entry->Code));
    }
    resetRecordCount();
}

} // namespace report
