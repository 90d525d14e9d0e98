// TTabulaDataSet: the common base of the table and the query, a dataset of
// the framework whose records come from an open data file (the cursor).
//
// This class holds what tables and queries share independently of the
// cursor: the engine version they report, and the field definitions built
// from the engine's field descriptors:
//
//   engine type        field type                      size given
//   1 string           ftString                        declared size
//   2 date             ftDate
//   3 BLOB             by subtype: 22 ftMemo, 23 ftBlob, 24 ftFmtMemo,
//                      25 ftBlob, 26 ftGraphic, 27 ftBlob, 28 ftTypedBinary,
//                      any other ftBlob
//   4 boolean          ftBoolean
//   5 int16            ftSmallint
//   6 int32            ftInteger; subtype 29 ftAutoInc
//   7 float            ftFloat; subtype 21 ftCurrency
//   8 BCD              ftBCD, precision 20               declared decimals
//   9 bytes            ftBytes                         declared size
//   10 time            ftTime
//   11 timestamp       ftDateTime
//   12 uint16          ftWord
//   13 uint32          ftInteger
//   15 varbytes        ftVarBytes                      declared size
//   18, 19             ftLargeint
//   20 .. 23           ftADT, ftArray, ftReference, ftDataSet
//   0, 14, 16, 17, 24+ no definition: invisible through the dataset
//
// A name already taken by an earlier definition becomes name_1, name_2, ...
// (the first free one), so every definition can be found by name.
#pragma once

#include "DataSet.h"

#include <string>
#include <vector>

namespace tabula {

struct TFieldDescriptor;

class TTabulaDataSet : public TDataSet {
public:
    using TDataSet::TDataSet;

    std::string EngineVersion() const;
    void SetEngineVersion(const std::string&) {}

    // Fills defs from the descriptors, in field-number order.
    static void BuildFieldDefs(const std::vector<TFieldDescriptor>& descriptors, TFieldDefs& defs);
};

} // namespace tabula
