// The report engine's message table: numbered texts (ids kFirstMessageId to
// kLastMessageId) for captions, labels, band names, format patterns and the
// engine's error texts. Texts are looked up by id; an id the table does not
// carry reads as the empty text (a caption or name that simply stays blank),
// never as a failure.
#pragma once

#include <string_view>

namespace report {

inline constexpr int kFirstMessageId = 53000;
inline constexpr int kLastMessageId = 55439;

// Named ids of the texts the engine refers to directly.
inline constexpr int kMsgVirtualPrinter = 55007;
inline constexpr int kMsgFirstBandName = 55077; // band type 0; type n is +n
inline constexpr int kMsgLastBandName = 55099;  // band type 22, "None"
inline constexpr int kMsgFirstBooleanFormat = 55170;
inline constexpr int kMsgFirstDateFormat = 55175;
inline constexpr int kMsgFirstTimeFormat = 55179;
inline constexpr int kMsgFrom = 55199;
inline constexpr int kMsgCalculationError = 55200;
inline constexpr int kMsgReport = 55201;
inline constexpr int kMsgObject = 55202;
inline constexpr int kMsgReportPreparing = 55203;
inline constexpr int kMsgFirstPass = 55204;
inline constexpr int kMsgProcessingPage = 55205;
inline constexpr int kMsgErrorCaption = 55206;
inline constexpr int kMsgPreview = 55207;
inline constexpr int kMsgUntitled = 55209;
inline constexpr int kMsgReportFile = 55211;
inline constexpr int kMsgUnsupportedFormat = 55345;
inline constexpr int kMsgUndefinedSymbol = 55439;
static_assert(kMsgLastBandName - kMsgFirstBandName == 22);
static_assert(kFirstMessageId <= kMsgVirtualPrinter && kMsgUndefinedSymbol <= kLastMessageId);

// The text of message id; empty for an id without a text.
std::string_view MessageText(int id);
// The shown name of band type code (0 to 22); empty off that range.
std::string_view BandTypeName(int code);

} // namespace report
