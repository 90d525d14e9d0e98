// TrpTextCodec: report text is single-byte; it is drawn and measured as the
// code page that the font's character set names (Windows-1251 for the
// Russian set, 1250 for Eastern Europe and so on; Windows-1252 for the
// default and every other set). Byte values a code page leaves unassigned
// stand for the character of the same number.
#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

namespace report {

QString DecodeReportText(std::string_view bytes, std::int16_t charset);

} // namespace report
