// The fault-report operations: the validation reports every fault of a
// registration file through this interface, and a result grid implements it.
//
// Every fault does three things, in this order: the run's DataValid flag is
// cleared (by the validation itself), the row is appended (AddFaultRow or
// AddDetailFaultRow), and MarkInvalid marks the run as failed. Each pass
// announces its column layout first with SetPassLayout.
#pragma once

#include <string>

namespace morvane {

// The two column layouts of the result grid: 5 columns for the record-type
// pass, 9 for the field pass.
enum class TPassLayout { RecordType, Field };

class TFaultReport {
public:
    virtual ~TFaultReport() = default;

    virtual void SetPassLayout(TPassLayout layout) = 0;

    // A row whose Account and Payee Name cells stay empty.
    virtual void AddFaultRow(const std::string& fileName, const std::string& recordType,
                             const std::string& line, const std::string& column,
                             const std::string& fieldName, const std::string& message) = 0;

    // A row of the detail field rules: account is columns 45-69 untrimmed.
    virtual void AddDetailFaultRow(const std::string& fileName, const std::string& recordType,
                                   const std::string& line, const std::string& column,
                                   const std::string& fieldName, const std::string& message,
                                   const std::string& account, const std::string& payeeName) = 0;

    virtual void MarkInvalid() = 0;
};

} // namespace morvane
