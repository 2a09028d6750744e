#include "app/ReaderApp.h"

#include <cassert>

namespace inkvista {

namespace {

ReaderApp* theApp = nullptr;

}  // namespace

ReaderApp::ReaderApp(Device& device, HotKeys& hotKeys, QSize screenSize)
    : backWnd_(device, hotKeys, screenSize) {
    assert(theApp == nullptr && "one application object per program");
    theApp = this;
}

ReaderApp::~ReaderApp() {
    if (theApp == this) theApp = nullptr;
}

bool ReaderApp::InitInstance() {
    backWnd_.Create();
    return true;
}

ReaderApp* TheApp() {
    return theApp;
}

BackWnd& TheBackWnd() {
    assert(theApp != nullptr);
    return theApp->mainWindow();
}

}  // namespace inkvista
