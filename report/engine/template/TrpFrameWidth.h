// A frame width (a real number of engine pixels) in its stored i32 form.
//
// The reader takes a stored n up to kMaxWholeFrameWidth as n whole pixels
// and a larger n as n thousandths. The writer therefore keeps whole widths
// up to that limit as they are and stores every other width in thousandths,
// whole widths above the limit included (stored as themselves they would
// read back a thousand times too small). A non-whole width too small for
// thousandths above the limit becomes the nearest whole width, so that it
// never reads back as a width a thousand times too large.
#pragma once

#include <cstdint>

namespace report {

std::int32_t EncodeFrameWidth(double width);
double DecodeFrameWidth(std::int32_t stored);

} // namespace report
