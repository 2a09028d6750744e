// The session bus, connected ahead of the window that needs it.
#pragma once

#include "platform/AsideThread.h"

namespace inkvista {

// Has Qt connect to the session bus on a thread of its own, for a desktop
// start; called on the main thread, before or after QApplication is built.
// Qt's accessibility bridge connects at the first list the window makes,
// and where the environment names no bus that means starting dbus-launch
// and waiting for it: 5 ms and more of the window's thread before its first
// frame. The connection is the one Qt keeps for the process: whoever asks
// for it next (the bridge, a screen-saver hold) gets it made, or waits only
// for the rest. The thread returned is waited for when it goes; it is held
// until the run ends. None (a thread not started) on a platform without the
// bridge (offscreen): there the bus waits for the first screen-saver hold.
AsideThread ConnectSessionBusAhead();

}  // namespace inkvista
