// A QGuiApplication on the offscreen platform, for commands that paint text:
// fonts need one, a display does not.
#pragma once

#include <QGuiApplication>
#include <memory>

namespace inkvista::tool {

class GuiApp {
  public:
    GuiApp() {
        if (QGuiApplication::instance()) return;
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }

  private:
    // QGuiApplication keeps references to these for its lifetime.
    int argc_ = 3;
    char name_[14] = "inkvista-tool";
    char flag_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {name_, flag_, platform_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace inkvista::tool
