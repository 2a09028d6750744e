#include "app/ReaderApp.h"

namespace inkvista {

ReaderApp::ReaderApp(Device& device, HotKeys& hotKeys) : backWnd_(device, hotKeys) {}

bool ReaderApp::InitInstance() {
    backWnd_.Create();
    return true;
}

}  // namespace inkvista
