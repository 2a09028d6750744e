// The handheld's screen. Everything the program lays out (home screen, list
// rectangle, viewer, dialogs) is made for it; the desktop shows it enlarged
// with --scale instead of laying it out anew.
#pragma once

namespace inkvista {

inline constexpr int kScreenWidth = 240;
inline constexpr int kScreenHeight = 320;

}  // namespace inkvista
