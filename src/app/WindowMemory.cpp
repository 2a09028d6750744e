#include "app/WindowMemory.h"

#include <QByteArray>
#include <QSettings>
#include <QWidget>
#include <cstdio>

namespace inkvista {

namespace {

constexpr char kGeometryKey[] = "window/geometry";

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
    usable_ = settings.status() == QSettings::NoError;
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
    return !geometry.isEmpty() && window.restoreGeometry(geometry);
}

void WindowMemory::Save(const QWidget& window) {
    if (!Readable()) return;
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(kGeometryKey, window.saveGeometry());
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        std::fprintf(stderr, "inkvista: cannot write %s; the window's place is not kept\n",
                     qPrintable(file_));
    }
}

}  // namespace inkvista
