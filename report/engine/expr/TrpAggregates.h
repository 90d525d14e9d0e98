// Aggregate calls of expressions ("SUM", "MIN", "MAX", "AVG", "COUNT") on
// their evaluation side: registration with a data band while the engine
// collects the aggregates of that band, and reading the accumulated value
// afterwards. The accumulation itself belongs to the data band.
//
// Key of one aggregate in its data band's list (fields separated by the
// character kAggregateSeparator, which also ends the key):
//   ["0" sep] band-name sep code sep expression sep flag sep
// where band-name is the band holding the call (the "0" marks a band that
// holds objects of other bands and is no cross footer), code the function
// code as one character, expression the first argument (for "COUNT" the
// band argument) and flag the flag text.
//
// Per-column copies: while a row band prints its cross cells, the data band
// keeps one copy of every "0"-marked entry per column, keyed by the column
// number in decimal in place of the "0" (ColumnAggregateKey). A call in a
// cell of a cross data band reads the copy of the current column under the
// row band's own key, so that writer and reader build the key in one place.
#pragma once

#include "TrpVariables.h"

#include <string>

namespace tabula {
class TDataSet;
}

namespace report {

inline constexpr char kAggregateSeparator = 1;
enum TrpAggregateCode : char {
    kAggregateSum = 11,
    kAggregateMin = 12,
    kAggregateMax = 13,
    kAggregateAvg = 14,
    kAggregateCount = 15,
};
// The starting value of a "MIN" accumulation; the others start at 0.
inline constexpr double kAggregateMinStart = 1e300;

// The function code of an aggregate name (upper case); 0 for other names.
char AggregateCode(const std::string& upperName);

// A run-time band as aggregate calls see it; the generation engine
// implements it on its bands.
class TrpAggregateBand {
public:
    virtual ~TrpAggregateBand() = default;
    virtual std::string BandName() const = 0;
    // The data band whose aggregates a call in this band collects by
    // default (title, summary, master header/footer, group bands: the
    // master data band; detail bands: the detail data band; and so on).
    virtual TrpAggregateBand* DefaultDataBand() = 0;
    // True for a band that holds objects of other bands and is no cross
    // footer: its keys carry the "0" mark.
    virtual bool HoldsOtherBandsObjects() const = 0;
    virtual bool IsCrossData() const = 0;
    // The data band a call in this band registered with; null if none.
    virtual TrpAggregateBand* RememberedDataBand() = 0;
    virtual void RememberDataBand(TrpAggregateBand* dataBand) = 0;
    // Data bands: the accumulated values by key, and the records counted.
    virtual TrpVariables& Aggregates() = 0;
    virtual int RecordCount() const = 0;
    // The table-store dataset that field names without a dataset refer to
    // while this band is current: the one its default data band walks, when
    // that band's report dataset wraps a table-store dataset; else null.
    virtual tabula::TDataSet* DefaultTableDataset() { return nullptr; }
};

// The key of a call in band of code with its expression and flag texts.
std::string AggregateKey(const TrpAggregateBand& band, char code, const std::string& expression,
                         const std::string& flag);

// The per-column copy of a "0"-marked key: the column number in decimal
// followed by the rest of markedKey after its "0". An unmarked key is
// returned as it is (it has no per-column copies).
std::string ColumnAggregateKey(int column, const std::string& markedKey);

// The value of one aggregate call with its three argument texts, by the
// current generation state (TrpGenerationInfo): registration while
// collecting (the value is then 0), else the accumulated value.
TrpValue EvaluateAggregate(char code, const std::string& p1, const std::string& p2,
                           const std::string& p3);

} // namespace report
