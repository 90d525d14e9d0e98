// The fixed-column layout of a registration file: record types, the exact
// length of each record (line end not counted) and the 1-based column and
// length of every field the checks cut out of a line.
//
// A registration file is single-byte text, one record per line: one header
// ("001"), detail records ("002") and one trailer ("999"). Columns count
// bytes from 1. Bytes 167-206 and 208-264 of a detail are free text that is
// never examined.
#pragma once

#include <cstddef>
#include <string_view>

namespace morvane::layout {

// A field of a record: first column (1-based) and width in bytes.
struct TFieldSpan {
    std::size_t Column;
    std::size_t Length;
};

// Columns 1-3 of every line hold its record type, compared byte for byte.
constexpr TFieldSpan kRecordType{1, 3};
constexpr std::string_view kHeaderType = "001";
constexpr std::string_view kDetailType = "002";
constexpr std::string_view kTrailerType = "999";

// Exact record lengths.
constexpr std::size_t kHeaderLength = 96;
constexpr std::size_t kDetailLength = 264;
constexpr std::size_t kTrailerLength = 41;
// No field lies beyond this column, so the checks never need more of a line.
constexpr std::size_t kLongestRecord = kDetailLength;

// Columns 4-35 of every record: the batch reference, shared by a header and
// the detail and trailer records below it.
constexpr TFieldSpan kBatchReference{4, 32};

// Header record.
constexpr TFieldSpan kCompanyId{36, 12};
constexpr TFieldSpan kCustomerReference{48, 32};
constexpr TFieldSpan kFileDate{80, 8};
constexpr TFieldSpan kFileTime{88, 6};
constexpr TFieldSpan kChannelId{94, 3};

// Detail record.
constexpr TFieldSpan kSequenceNumber{36, 6};
constexpr TFieldSpan kProductCode{42, 3};
constexpr TFieldSpan kAccountNumber{45, 25};
constexpr TFieldSpan kAccountName{70, 70};
constexpr TFieldSpan kBankCode{140, 3};
constexpr TFieldSpan kBranchCode{143, 4};
constexpr TFieldSpan kReference1{147, 20};
constexpr TFieldSpan kAction{207, 1};

// Trailer record: the number of detail records, six digits.
constexpr TFieldSpan kDetailTotal{36, 6};
constexpr std::size_t kDetailTotalDigits = 6;
// Sequence numbers are written with this many digits, leading zeros.
constexpr std::size_t kSequenceDigits = 6;

// The bank whose own account numbers carry a check digit.
constexpr std::string_view kOwnBankCode = "014";

} // namespace morvane::layout
