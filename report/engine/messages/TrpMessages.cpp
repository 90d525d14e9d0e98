// The message table's texts, sorted by id for binary search.
#include "TrpMessages.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace report {
namespace {

struct Entry {
    int id;
    std::string_view text;
};

constexpr Entry kMessages[] = {
    {kMsgVirtualPrinter, "Virtual printer"},
    {55077, "Report title"},
    {55078, "Report summary"},
    {55079, "Page header"},
    {55080, "Page footer"},
    {55081, "Master header"},
    {55082, "Master data"},
    {55083, "Master footer"},
    {55084, "Detail header"},
    {55085, "Detail data"},
    {55086, "Detail footer"},
    {55087, "Subdetail header"},
    {55088, "Subdetail data"},
    {55089, "Subdetail footer"},
    {55090, "Overlay"},
    {55091, "Column header"},
    {55092, "Column footer"},
    {55093, "Group header"},
    {55094, "Group footer"},
    {55095, "Cross header"},
    {55096, "Cross data"},
    {55097, "Cross footer"},
    {55098, "Child"},
    {55099, "None"},
    {55170, "0;1"},
    {55171, "No;Yes"},
    {55172, "_;x"},
    {55173, "False;True"},
    {55175, "mm.dd.yy"},
    {55176, "mm.dd.yyyy"},
    {55177, "d mmm yyyy"},
    {55179, "hh:nn:ss"},
    {55180, "h:nn:ss"},
    {55181, "hh:nn"},
    {55182, "h:nn"},
    {kMsgFrom, "from"},
    {kMsgCalculationError, "An error occured during calculating"},
    {kMsgReport, "Report:"},
    {kMsgObject, "Object:"},
    {kMsgReportPreparing, "Report preparing"},
    {kMsgFirstPass, "Performing 1st pass:"},
    {kMsgProcessingPage, "Processing page:"},
    {kMsgErrorCaption, "Error"},
    {kMsgPreview, "Preview"},
    {kMsgUntitled, "Untitled"},
    {kMsgReportFile, "Report file"},
    {kMsgUnsupportedFormat, "Unsupported RPF format"},
    {kMsgUndefinedSymbol, "Undefined symbol"},
};

constexpr bool SortedWithinRange() {
    for (std::size_t i = 0; i < std::size(kMessages); ++i) {
        if (kMessages[i].id < kFirstMessageId || kMessages[i].id > kLastMessageId)
            return false;
        if (i > 0 && kMessages[i - 1].id >= kMessages[i].id)
            return false;
    }
    return true;
}
static_assert(SortedWithinRange(), "message ids must be ascending and in range");

} // namespace

std::string_view MessageText(int id) {
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), id,
                               [](const Entry& e, int key) { return e.id < key; });
    return (it != std::end(kMessages) && it->id == id) ? it->text : std::string_view();
}

std::string_view BandTypeName(int code) {
    if (code < 0 || code > kMsgLastBandName - kMsgFirstBandName)
        return {};
    return MessageText(kMsgFirstBandName + code);
}

} // namespace report
