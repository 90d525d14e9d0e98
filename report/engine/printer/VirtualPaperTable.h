// The virtual printer's paper table: 67 entries of (paper code, width,
// height) in tenths of a millimetre, in this order: the platform paper codes
// 1 to 47, then 50 to 68, then kUserPaperCode (user-defined, 0 x 0). The
// sizes are the platform's standard sizes for those codes. The entries carry
// no names: the text resources that named them are not part of this program.
#pragma once

#include <span>
#include <string>

namespace report {

// Paper code of a user-defined size: width and height are given explicitly.
inline constexpr int kUserPaperCode = 256;
// Paper code of A4, the paper of a freshly created printer layer.
inline constexpr int kA4PaperCode = 9;
inline constexpr int kVirtualPaperCount = 67;
static_assert(kVirtualPaperCount == 47 + (68 - 50 + 1) + 1);

struct TrpPaperEntry {
    int code = 0;
    int width = 0;  // tenths of a millimetre, portrait
    int height = 0; // tenths of a millimetre, portrait
    std::string name;
};

// The table, built once from the platform's page-size definitions.
std::span<const TrpPaperEntry> VirtualPaperTable();
// The entry with this code, or null.
const TrpPaperEntry* FindVirtualPaper(int code);

} // namespace report
