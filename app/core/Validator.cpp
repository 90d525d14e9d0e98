// The record checks of a registration file; see Validator.h for the run
// state and the order of the passes.
#include "Validator.h"

#include "FieldRules.h"
#include "TextLineReader.h"

#include <charconv>

namespace morvane {

namespace {

namespace L = layout;

// Texts of the record-type pass. The record type texts carry one trailing
// space in the grid.
constexpr const char* kInvalidRecordType = "Record type invalid code";
constexpr const char* kInvalidLength = "Length in record invalid";
constexpr const char* kHeaderTypeCell = "001 ";
constexpr const char* kDetailTypeCell = "002 ";
constexpr const char* kTrailerTypeCell = "999 ";

// Record type cells of the field pass.
constexpr const char* kHeaderTypeText = "001";
constexpr const char* kDetailTypeText = "002";
constexpr const char* kTrailerTypeText = "999";

// Field pass messages (spacing exactly as the users know them).
constexpr const char* kNotSpace = "This field should not be space";
constexpr const char* kNotSpaceAccountName = "This field should not be space ";
constexpr const char* kBeNumber = "This field should be number";
constexpr const char* kNotIncorrect = "This field should not be incorrect";
constexpr const char* kBeChannel = "This field should  be KVL";
constexpr const char* kInvalidProduct = "This field invalid Product Code";
constexpr const char* kInvalidOwnAccount = "Invalid MRD Account";
constexpr const char* kBeAction = "This field should  be 1,2,3,4";
constexpr const char* kTotalSixDigits = "This field should be number 6 digits and more than zero";
constexpr const char* kTotalAboveZero = "This field should be number and more than zero";
constexpr const char* kTotalMismatch = "Total No. of RegisterDetail does not match ";

constexpr std::string_view kChannelKvl = "KVL";
constexpr std::string_view kChannelCnc = "CNC";

std::string_view RecordTypeOf(std::string_view line) {
    return line.size() < L::kRecordType.Length ? std::string_view{}
                                               : line.substr(0, L::kRecordType.Length);
}

std::string LineText(long long lineNumber) {
    return std::to_string(lineNumber);
}

bool IsActionCode(std::string_view code) {
    return code.size() == 1 && code[0] >= '1' && code[0] <= '4';
}

// Clears DataValid when a run leaves by an exception: a run that did not
// reach its end is not valid, whatever it had found so far.
class TRunGuard {
public:
    explicit TRunGuard(bool& dataValid) : dataValid_(dataValid) {}
    ~TRunGuard() {
        if (!finished_) {
            dataValid_ = false;
        }
    }
    TRunGuard(const TRunGuard&) = delete;
    TRunGuard& operator=(const TRunGuard&) = delete;
    void Finish() { finished_ = true; }

private:
    bool& dataValid_;
    bool finished_ = false;
};

} // namespace

bool TValidator::ValidateFile(const std::string& fileName, TFaultReport& report,
                              TMessageSink& messages) {
    TRunGuard guard(DataValid);
    DataValid = true;
    CheckRecordTypes(fileName, report);
    if (DataValid) {
        CheckFields(fileName, report);
    } else {
        messages.ShowMessage(TMessageKind::Error, kErrorDataMessage);
    }
    guard.Finish();
    return DataValid;
}

void TValidator::CheckRecordTypes(const std::string& fileName, TFaultReport& report) {
    report.SetPassLayout(TPassLayout::RecordType);
    LineNumber = 0;
    TTextLineReader reader(fileName);
    std::string line;
    std::size_t length = 0;
    while (reader.ReadLine(line, L::kLongestRecord, length)) {
        ++LineNumber;
        CompanyId.assign(Trimmed(FieldOf(line, L::kCompanyId)));
        const std::string_view type = RecordTypeOf(line);
        if (type != L::kHeaderType && type != L::kDetailType && type != L::kTrailerType) {
            DataValid = false;
            report.AddFaultRow(fileName, kInvalidRecordType, LineText(LineNumber), "", "", "");
            report.MarkInvalid();
            continue;
        }
        CheckRecordLength(line, length, fileName, LineNumber, report);
    }
}

void TValidator::CheckRecordLength(std::string_view line, std::size_t length,
                                   const std::string& fileName, long long lineNumber,
                                   TFaultReport& report) {
    const std::string_view type = RecordTypeOf(line);
    const char* typeCell = nullptr;
    std::size_t expected = 0;
    if (type == L::kHeaderType) {
        typeCell = kHeaderTypeCell;
        expected = L::kHeaderLength;
    } else if (type == L::kDetailType) {
        typeCell = kDetailTypeCell;
        expected = L::kDetailLength;
    } else if (type == L::kTrailerType) {
        typeCell = kTrailerTypeCell;
        expected = L::kTrailerLength;
    } else {
        return; // not a record: the record-type test reports it
    }
    if (length != expected) {
        DataValid = false;
        report.AddFaultRow(fileName, typeCell, LineText(lineNumber), kInvalidLength, "", "");
        report.MarkInvalid();
    }
}

void TValidator::CheckFields(const std::string& fileName, TFaultReport& report) {
    report.SetPassLayout(TPassLayout::Field);
    DetailCount = 0;
    LineNumber = 0;
    DetailOrdinal = 0;
    HeaderBatchReference.clear();
    TTextLineReader reader(fileName);
    std::string line;
    std::size_t length = 0;
    while (reader.ReadLine(line, L::kLongestRecord, length)) {
        ++LineNumber;
        const std::string_view type = RecordTypeOf(line);
        if (type == L::kHeaderType) {
            HeaderBatchReference.assign(Trimmed(FieldOf(line, L::kBatchReference)));
            CheckHeader(fileName, line, LineNumber, report);
            CompanyId.assign(Trimmed(FieldOf(line, L::kCompanyId)));
        } else if (type == L::kDetailType) {
            ++DetailCount;
            ++DetailOrdinal;
            CheckDetailOrder(fileName, line, LineNumber, report);
            CheckDetail(fileName, line, LineNumber, report);
        } else if (type == L::kTrailerType) {
            if (Trimmed(FieldOf(line, L::kBatchReference)) != HeaderBatchReference) {
                Fault(report, fileName, kTrailerTypeText, LineNumber, "4-35", "Batch Reference",
                      kNotIncorrect);
            }
            CheckTrailer(fileName, line, LineNumber, report);
        }
    }
}

void TValidator::CheckHeader(const std::string& fileName, std::string_view line,
                             long long lineNumber, TFaultReport& report) {
    if (IsBlank(FieldOf(line, L::kCompanyId))) {
        Fault(report, fileName, kHeaderTypeText, lineNumber, "36-47", "Company Id", kNotSpace);
    }
    if (IsBlank(FieldOf(line, L::kCustomerReference))) {
        Fault(report, fileName, kHeaderTypeText, lineNumber, "48-79", "Customer Reference",
              kNotSpace);
    }
    if (!IsNumber(FieldOf(line, L::kFileDate))) {
        Fault(report, fileName, kHeaderTypeText, lineNumber, "80-87", "Message/File Date",
              kBeNumber);
    }
    if (!IsNumber(FieldOf(line, L::kFileTime))) {
        Fault(report, fileName, kHeaderTypeText, lineNumber, "88-93", "Message/File Time",
              kBeNumber);
    }
    const std::string_view channel = Trimmed(FieldOf(line, L::kChannelId));
    if (channel != kChannelKvl && channel != kChannelCnc) {
        Fault(report, fileName, kHeaderTypeText, lineNumber, "94-96", "Channel Id", kBeChannel);
    }
}

void TValidator::CheckDetailOrder(const std::string& fileName, std::string_view line,
                                  long long lineNumber, TFaultReport& report) {
    if (Trimmed(FieldOf(line, L::kBatchReference)) != HeaderBatchReference) {
        Fault(report, fileName, kDetailTypeText, lineNumber, "4-35", "Batch Reference",
              kNotIncorrect);
    }
    // The expected sequence number: the ordinal, led by zeros to six digits.
    char digits[24];
    const auto conv = std::to_chars(digits, digits + sizeof digits, DetailOrdinal);
    const std::string_view ordinal(digits, static_cast<std::size_t>(conv.ptr - digits));
    const std::string pad =
        PadText('0', static_cast<int>(L::kSequenceDigits) - static_cast<int>(ordinal.size()));
    const std::string_view sequence = Trimmed(FieldOf(line, L::kSequenceNumber));
    const bool matches = sequence.size() == pad.size() + ordinal.size() &&
                         sequence.substr(0, pad.size()) == pad &&
                         sequence.substr(pad.size()) == ordinal;
    if (!matches) {
        Fault(report, fileName, kDetailTypeText, lineNumber, "36-41", "Sequence No", kNotIncorrect);
    }
}

void TValidator::CheckDetail(const std::string& fileName, std::string_view line,
                             long long lineNumber, TFaultReport& report) {
    const std::string_view sequence = FieldOf(line, L::kSequenceNumber);
    if (!IsBlank(sequence) && !IsNumber(sequence)) {
        DetailFault(report, fileName, line, lineNumber, "36-41", "Sequence Number", kBeNumber);
    }
    const std::string_view product = FieldOf(line, L::kProductCode);
    if (!IsProductCode(product)) {
        DetailFault(report, fileName, line, lineNumber, "42-44", "Product Code", kInvalidProduct);
    }
    const bool optional = IsAccountOptionalProduct(product);
    const std::string_view account = Trimmed(FieldOf(line, L::kAccountNumber));
    const bool accountBlank = account.empty();
    const bool accountNumeric = !accountBlank && IsNumber(account);

    if (!optional && !accountBlank && !accountNumeric) {
        DetailFault(report, fileName, line, lineNumber, "45-69", "Account Number ", kBeNumber);
    }
    if (!optional && accountBlank) {
        DetailFault(report, fileName, line, lineNumber, "45-69", "Account Number ", kNotSpace);
    }
    if (optional && IsBlank(FieldOf(line, L::kAccountName))) {
        DetailFault(report, fileName, line, lineNumber, "70-139", "Account Name",
                    kNotSpaceAccountName);
    }

    const std::string_view bank = Trimmed(FieldOf(line, L::kBankCode));
    const std::string_view branch = Trimmed(FieldOf(line, L::kBranchCode));
    if (accountNumeric && bank.empty()) {
        DetailFault(report, fileName, line, lineNumber, "140-142", "Bank code", kNotSpace);
    }
    if (accountNumeric && !bank.empty() && !IsNumber(bank)) {
        DetailFault(report, fileName, line, lineNumber, "140-142", "Bank code", kBeNumber);
    }
    if (accountNumeric && bank == L::kOwnBankCode && !optional && !IsValidAccountNumber(account)) {
        DetailFault(report, fileName, line, lineNumber, "45-69", "Account Number",
                    kInvalidOwnAccount);
    }
    if (accountBlank && !IsNumber(bank)) {
        DetailFault(report, fileName, line, lineNumber, "140-142", "Bank code", kBeNumber);
    }
    if (accountNumeric && branch.empty()) {
        DetailFault(report, fileName, line, lineNumber, "143-146", "Branch code", kNotSpace);
    }
    if (accountNumeric && !branch.empty() && !IsNumber(branch)) {
        DetailFault(report, fileName, line, lineNumber, "143-146", "Branch code", kBeNumber);
    }
    if (accountBlank && !IsNumber(branch)) {
        DetailFault(report, fileName, line, lineNumber, "143-146", "Branch code", kBeNumber);
    }

    if (IsBlank(FieldOf(line, L::kReference1))) {
        DetailFault(report, fileName, line, lineNumber, "147-166", "Reference1", kNotSpace);
    }
    const std::string_view action = FieldOf(line, L::kAction);
    if (IsBlank(action)) {
        DetailFault(report, fileName, line, lineNumber, "207", "Action", kNotSpace);
    } else if (!IsActionCode(Trimmed(action))) {
        DetailFault(report, fileName, line, lineNumber, "207", "Action", kBeAction);
    }
}

void TValidator::CheckTrailer(const std::string& fileName, std::string_view line,
                              long long lineNumber, TFaultReport& report) {
    const std::string_view total = FieldOf(line, L::kDetailTotal);
    if (!IsNumber(total) || Trimmed(total).size() != L::kDetailTotalDigits) {
        Fault(report, fileName, kTrailerTypeText, lineNumber, "36-41", "Total No. of Debits",
              kTotalSixDigits);
        return;
    }
    if (!IsPositiveNumber(total)) {
        Fault(report, fileName, kTrailerTypeText, lineNumber, "36-41", "Total No. of Debits",
              kTotalAboveZero);
    }
    if (ToWholeNumber(total) != DetailCount) {
        Fault(report, fileName, kTrailerTypeText, lineNumber, "36-41",
              "Total No. of Register Detail", kTotalMismatch);
    }
}

void TValidator::Fault(TFaultReport& report, const std::string& fileName, const char* recordType,
                       long long lineNumber, const char* column, const char* fieldName,
                       const char* message) {
    DataValid = false;
    report.AddFaultRow(fileName, recordType, LineText(lineNumber), column, fieldName, message);
    report.MarkInvalid();
}

void TValidator::DetailFault(TFaultReport& report, const std::string& fileName,
                             std::string_view line, long long lineNumber, const char* column,
                             const char* fieldName, const char* message) {
    DataValid = false;
    report.AddDetailFaultRow(fileName, kDetailTypeText, LineText(lineNumber), column, fieldName,
                             message, std::string(FieldOf(line, L::kAccountNumber)), "");
    report.MarkInvalid();
}

} // namespace morvane
