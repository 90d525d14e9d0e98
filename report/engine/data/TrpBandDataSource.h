// The report dataset behind a band's data source text.
//
// A text that begins with a digit 1 to 9 is a record count: a new
// TrpUserDataset with RangeEnd reCount and RangeEndCount the number, which
// the band owns (the band prints that many times). Such a text must be a
// whole decimal number that fits an int, else EConvertError. Any other text
// is a component name (FindReportComponent): nothing found gives no
// dataset (the band prints without data), a component that is not a report
// dataset raises EInvalidCast. An empty text gives no dataset. OpenRange is
// called on the dataset found or made.
#pragma once

#include "TrpComponentLookup.h"
#include "TrpDataset.h"
#include "TrpUserDataset.h"

#include <memory>
#include <string>

namespace report {

struct TrpBandDataSource {
    TrpDataset* dataset = nullptr;         // nullptr: print without data
    std::unique_ptr<TrpUserDataset> owned; // set for a count; the band keeps it
};

TrpBandDataSource ResolveBandDataSource(const TrpLookupContext& context, const std::string& text);

} // namespace report
