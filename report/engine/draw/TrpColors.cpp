// Platform colour values to Qt colours.
#include "TrpColors.h"

#include <array>

namespace report {

namespace {

// The classic default scheme of the 25 system colours, as 0x00BBGGRR, in
// index order (scroll bar, background, active caption ... info background).
constexpr std::array<TrpColor, 25> kSystemColors = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
    0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
    0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF,
};

} // namespace

QColor ToQColor(TrpColor color) {
    if (color & kSystemColorBit) {
        std::size_t index = color & 0xFF;
        color = index < kSystemColors.size() ? kSystemColors[index] : kClBlack;
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

} // namespace report
