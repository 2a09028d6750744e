// Returns once the window system has done all it was asked so far: what was
// painted has reached the screen, as far as a program can know (a round
// trip to the X server on xcb; nothing elsewhere).
#pragma once

#include <QGuiApplication>
#include <cstdlib>

#ifdef INKVISTA_BENCH_XCB
#include <xcb/xcb.h>
#endif

inline void ReachScreen() {
#ifdef INKVISTA_BENCH_XCB
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t* connection = x11->connection();
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
#endif
}
