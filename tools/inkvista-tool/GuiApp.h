// A QGuiApplication on the offscreen platform, for commands that paint text:
// fonts need one, a display does not.
#pragma once

#include <QGuiApplication>
#include <cstdio>
#include <memory>

namespace inkvista::tool {

class GuiApp {
  public:
    GuiApp() {
        if (QGuiApplication::instance()) return;
        previous_ = qInstallMessageHandler(&Filter);
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    ~GuiApp() {
        if (!app_) return;
        app_.reset();
        qInstallMessageHandler(previous_);
    }
    GuiApp(const GuiApp&) = delete;
    GuiApp& operator=(const GuiApp&) = delete;

  private:
    // A command-line tool has no use for the session's runtime folder; the
    // warning that it is missing would only alarm.
    static void Filter(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
        if (type == QtDebugMsg || type == QtInfoMsg) return;
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }

    // QGuiApplication keeps references to these for its lifetime.
    int argc_ = 3;
    char name_[14] = "inkvista-tool";
    char flag_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {name_, flag_, platform_, nullptr};
    QtMessageHandler previous_ = nullptr;
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace inkvista::tool
