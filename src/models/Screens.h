// The two full-screen surfaces and the one passage between them.
#pragma once

namespace inkvista {

// Child window ids of the main window; also the ids SwitchScreen takes.
constexpr int kListWindowId = 1001;
constexpr int kViewerWindowId = 1002;

// The main window's SwitchScreen, as the list and the viewer reach it.
class ScreenSwitcher {
  public:
    virtual ~ScreenSwitcher() = default;
    // 1001: back to the library (flag: save the page being read as the
    // bookmark); 1002: open the list's open request. Any other id does
    // nothing.
    virtual void SwitchScreen(int id, bool flag) = 0;
};

}  // namespace inkvista
