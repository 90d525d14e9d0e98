// Context help of the preview window: each control's help number and the
// popup text shown for it.
#pragma once

#include <QString>

namespace report {

inline constexpr int kHelpZoom = 200;
inline constexpr int kHelpLoad = 201;
inline constexpr int kHelpSave = 202;
inline constexpr int kHelpPrint = 203;
inline constexpr int kHelpFind = 204;
inline constexpr int kHelpExit = 205;
inline constexpr int kHelpPageLabel = 206;
inline constexpr int kHelpPageBox = 207;

// The popup text of a help number; empty for a number without one.
QString PreviewHelpText(int helpNumber);

} // namespace report
