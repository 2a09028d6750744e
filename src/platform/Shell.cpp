#include "platform/Shell.h"

namespace inkvista {

void Shell::FullScreen(uint32_t flags) {
    if (flags & SHFS_SHOWTASKBAR) chrome_.taskBarHidden = false;
    if (flags & SHFS_HIDETASKBAR) chrome_.taskBarHidden = true;
    if (flags & SHFS_SHOWSIPBUTTON) chrome_.inputPanelButtonShown = true;
    if (flags & SHFS_HIDESIPBUTTON) chrome_.inputPanelButtonShown = false;
    if (flags & SHFS_SHOWSTARTICON) chrome_.startIconHidden = false;
    if (flags & SHFS_HIDESTARTICON) chrome_.startIconHidden = true;
    chrome_.fullScreenCalls.push_back(flags);
    if (chrome_.fullScreenCalls.size() > ShellChrome::kKeptCalls) {
        chrome_.fullScreenCalls.pop_front();
    }
}

}  // namespace inkvista
