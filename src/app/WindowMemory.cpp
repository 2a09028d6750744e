#include "app/WindowMemory.h"

#include <QByteArray>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>
#include <QStringList>
#include <QWidget>
#include <cstdio>

namespace inkvista {

namespace {

constexpr char kGroup[] = "window/";
constexpr char kGeometryKey[] = "window/geometry";
constexpr char kSizeKey[] = "window/size";
constexpr char kAreaKey[] = "window/area";

// The part of its screen a maximised or full-screen window fills, less what
// the window manager puts around it; empty for a window of its own size.
QRect AreaOf(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) return {};
    if (window.windowState() & Qt::WindowFullScreen) return screen->geometry();
    if (window.windowState() & Qt::WindowMaximized) return screen->availableGeometry();
    return {};
}

}  // namespace

WindowMemory::WindowMemory(std::filesystem::path file)
    : file_(QString::fromStdString(file.string())) {}

std::filesystem::path WindowMemory::FileBeside(const std::filesystem::path& registryFile) {
    return registryFile.parent_path() / "window.conf";
}

bool WindowMemory::Readable() {
    if (checked_) return usable_;
    checked_ = true;
    const QSettings settings(file_, QSettings::IniFormat);
    // Qt reads almost anything as settings, and would write them back as it
    // understood them: a file with anything but our own keys is not ours.
    // A file with something in it but none of our keys is not ours either.
    const QStringList keys = settings.allKeys();
    usable_ = settings.status() == QSettings::NoError &&
              (!keys.isEmpty() || QFileInfo(file_).size() == 0);
    for (const QString& key : keys) {
        if (!key.startsWith(QLatin1String(kGroup))) usable_ = false;
    }
    if (!usable_) {
        std::fprintf(stderr,
                     "inkvista: %s is not a settings file; the window's place is not kept this "
                     "run\n",
                     qPrintable(file_));
    }
    return usable_;
}

bool WindowMemory::Restore(QWidget& window) {
    if (!Readable()) return false;
    const QSettings settings(file_, QSettings::IniFormat);
    const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
    if (geometry.isEmpty() || !window.restoreGeometry(geometry)) return false;
    keptSize_ = settings.value(kSizeKey).toSize();
    keptArea_ = settings.value(kAreaKey).toRect();
    return true;
}

std::optional<QSize> WindowMemory::ComingSize(const QWidget& window) const {
    const QRect area = AreaOf(window);
    if (area.isEmpty() || area != keptArea_ || !keptSize_.isValid()) return std::nullopt;
    return keptSize_;
}

void WindowMemory::Save(const QWidget& window) {
    if (!Readable()) return;
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(kGeometryKey, window.saveGeometry());
    settings.setValue(kSizeKey, window.size());
    settings.setValue(kAreaKey, AreaOf(window));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        std::fprintf(stderr, "inkvista: cannot write %s; the window's place is not kept\n",
                     qPrintable(file_));
    }
}

}  // namespace inkvista
