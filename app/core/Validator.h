// TValidator: checks a registration file and reports every fault through a
// TFaultReport, leaving the run-wide result in DataValid.
//
// A run (ValidateFile) reads the file twice:
//   1. the record-type pass: every line's record type and exact length;
//   2. only when pass 1 found nothing, the field pass: every field of every
//      header, detail and trailer record.
// A fault never stops a pass. Every fault clears DataValid, appends one row
// and calls MarkInvalid, in that order.
//
// Run state and its lifetime:
//   DataValid          true at the start of each run, false after any fault;
//                      also false when a run is stopped by an exception.
//   CompanyId          trimmed columns 36-47; written by pass 1 for every line
//                      and by pass 2 for every header; kept between runs.
//   DetailCount        detail records read so far in the field pass.
//   LineNumber         physical line of the current pass, from 1.
//   DetailOrdinal      detail records so far in the field pass, current one
//                      included (the expected sequence number).
//   HeaderBatchReference  trimmed batch reference of the latest header in
//                      the field pass; empty before the first header.
// The per-pass counters are reset when the pass that uses them starts.
//
// Failures: EInOutError when the file cannot be opened or read, EConvertError
// when a whole-number conversion fails (a trailer total or an account check
// digit that passes the number test but is not a plain integer). Either one
// stops the run at that record; the rows reported so far stay.
#pragma once

#include "FaultReport.h"
#include "MessageSink.h"

#include <string>
#include <string_view>

namespace morvane {

class TValidator {
public:
    static constexpr const char* kErrorDataMessage = "Error Data. ";

    bool DataValid = false;
    std::string CompanyId;
    long long DetailCount = 0;

    long long LineNumber = 0;
    long long DetailOrdinal = 0;
    std::string HeaderBatchReference;

    // The whole run over the file named `fileName` (as typed; it also fills
    // the File Name cell of every row). Shows "Error Data. " as an error box
    // when the record-type pass fails. Returns DataValid.
    bool ValidateFile(const std::string& fileName, TFaultReport& report, TMessageSink& messages);

    // The record-type pass.
    void CheckRecordTypes(const std::string& fileName, TFaultReport& report);
    // The length test of a line whose record type is valid.
    void CheckRecordLength(std::string_view line, std::size_t length, const std::string& fileName,
                           long long lineNumber, TFaultReport& report);
    // The field pass.
    void CheckFields(const std::string& fileName, TFaultReport& report);
    // The field rules of one record. Lines of any length are safe: fields
    // beyond the end of the line read as empty.
    void CheckHeader(const std::string& fileName, std::string_view line, long long lineNumber,
                     TFaultReport& report);
    void CheckDetail(const std::string& fileName, std::string_view line, long long lineNumber,
                     TFaultReport& report);
    void CheckTrailer(const std::string& fileName, std::string_view line, long long lineNumber,
                      TFaultReport& report);

private:
    // The batch reference and sequence number of a detail (tested by the
    // field pass before CheckDetail).
    void CheckDetailOrder(const std::string& fileName, std::string_view line, long long lineNumber,
                          TFaultReport& report);
    // A fault row without account cells, and one with them.
    void Fault(TFaultReport& report, const std::string& fileName, const char* recordType,
               long long lineNumber, const char* column, const char* fieldName,
               const char* message);
    void DetailFault(TFaultReport& report, const std::string& fileName, std::string_view line,
                     long long lineNumber, const char* column, const char* fieldName,
                     const char* message);
};

} // namespace morvane
