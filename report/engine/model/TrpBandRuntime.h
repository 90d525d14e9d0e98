// TrpBandRuntime: what a band object reaches of its run-time band while a
// report is generated. The generation engine implements it on its run-time
// bands and links each band object to its own; outside generation a band
// object has none.
#pragma once

#include "TrpValue.h"

#include <string>

namespace report {

class TrpDataset;

class TrpBandRuntime {
public:
    virtual ~TrpBandRuntime() = default;
    // The run-time band's dataset, or null.
    virtual TrpDataset* Dataset() = 0;
    // "LEFT", "TOP", "WIDTH", "HEIGHT", "VISIBLE", "DATASOURCE" (upper
    // case) of the run-time band. GetProperty answers false for a name it
    // does not carry.
    virtual bool GetProperty(const std::string& upperName, TrpValue& value) = 0;
    virtual bool SetProperty(const std::string& upperName, const TrpValue& value) = 0;
};

} // namespace report
