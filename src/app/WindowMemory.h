// The main window's place on the desktop, kept for the user between runs:
// its size, its position where the window system lets a program choose it,
// and whether it was maximised or full screen. It lives in a settings file
// of its own beside the registry file, never in the device's registry.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <filesystem>
#include <optional>

class QWidget;

namespace inkvista {

class WindowMemory {
  public:
    // The memory kept in `file` (window.conf beside the registry file).
    explicit WindowMemory(std::filesystem::path file);
    static std::filesystem::path FileBeside(const std::filesystem::path& registryFile);

    // Puts the hidden `window` where it was last saved; false when nothing
    // usable was saved (the window is left as it is). A file that is not
    // ours (not a settings file, or one with keys of others) is reported
    // once on standard error and left untouched: nothing is saved over it
    // this run.
    bool Restore(QWidget& window);
    // The size a window Restore made maximised or full screen will be given
    // once it is shown, when it was last saved so on a screen of the same
    // size: until the window manager answers, it stays hidden at its
    // normal size. None when it cannot be known.
    std::optional<QSize> ComingSize(const QWidget& window) const;
    // Written as QSettings writes: to a temporary beside the file, renamed
    // into place.
    void Save(const QWidget& window);

  private:
    bool Readable();

    QString file_;
    // What the restored window had when it was saved: its size, and the
    // desktop's area it was maximised or made full screen in.
    QSize keptSize_;
    QRect keptArea_;
    bool checked_ = false;
    bool usable_ = true;
};

}  // namespace inkvista
