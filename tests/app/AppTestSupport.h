// Shared pieces of the application-shell tests: the Qt application, a hot-key
// service that records, a device with a chosen OEM string, and books written
// into the device.
#pragma once

#include <QApplication>
#include <QImage>
#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/ReaderApp.h"
#include "models/OpenRequest.h"
#include "platform/Device.h"
#include "support/TestDevice.h"
#include "ui/HotKeys.h"

namespace inkvista::test {

// The one QApplication of the test program (offscreen).
QApplication& App();

class RecordingHotKeys : public HotKeys {
  public:
    bool Register(int id, uint32_t modifiers, uint32_t vk) override;
    void Unregister(int id) override;
    void SetReceiver(std::function<void(int id)>) override {}
    // Identifiers the system refuses.
    std::set<int> refuse;
    // What is held now: id → (modifiers, vk).
    std::map<int, std::pair<uint32_t, uint32_t>> held;
    std::vector<int> heldIds() const;
    int registerCalls = 0;
};

// A device on a temporary folder, like TestDevice, with its own OEM string.
class OemDevice {
  public:
    explicit OemDevice(std::u16string oem);
    Device& device() { return *device_; }
    RecordingMessageBoxes& messages() { return base_.messages(); }
    VirtualClock& clock() { return base_.clock(); }
    std::filesystem::path Host(std::u16string_view path) const { return base_.Host(path); }
    std::filesystem::path AddCard(const std::u16string& name);

  private:
    TestDevice base_;
    std::unique_ptr<Device> device_;
};

// A grey test page `width` × `height`: eight bands of grey levels with a black
// frame, encodable exactly.
std::vector<uint8_t> TestPagePixels(uint32_t width, uint32_t height);

// Writes a book of `pages` grey test pages of the given size to the host
// path `file`, a .cmb unless `kind` says otherwise.
bool WriteTestBook(const std::filesystem::path& file, int pages, uint32_t width, uint32_t height,
                   const std::string& title = "Test Book", BookKind kind = BookKind::Cmb);

// Runs `action` once on the topmost modal dialog when one is shown, from
// inside its event loop; stops watching when destroyed.
class DialogWatch {
  public:
    explicit DialogWatch(std::function<void(QWidget* dialog)> action);
    ~DialogWatch();
    bool seen() const { return state_->seen; }
    QString title() const { return state_->title; }

    struct State {
        std::function<void(QWidget*)> action;
        bool seen = false;
        bool cancelled = false;
        QString title;
    };

  private:
    std::shared_ptr<State> state_;
};
// Clicks control `id` of `dialog` (a push button).
bool ClickControl(QWidget* dialog, int id);
// Chooses entry `index` of drop-down list `id` of `dialog` as a user does.
bool SelectEntry(QWidget* dialog, int id, int index);
// Types `text` over edit `id` of `dialog`, key by key (the length limit
// applies).
bool TypeInto(QWidget* dialog, int id, const QString& text);

// Records the hardware buttons (WM_USER + 2) the main window posts to the
// viewer, in the order they arrive there.
class PostedButtons : public QObject {
  public:
    explicit PostedButtons(BackWnd& window);
    std::vector<uint32_t> codes;
};

// A request for book `file` of the main folder (slot 1) at `page`.
OpenRequest Request(const std::u16string& file, int page);

// The program on a test device: construct, then Start.
class Program {
  public:
    explicit Program(std::u16string oem = u"InkVISTA Desktop") : dev(std::move(oem)) { App(); }
    ~Program() { app.reset(); }
    // Constructs the application object and creates the main window, with
    // the platform's own activation ignored; `activate` then brings it to the
    // front once, as the shell does.
    BackWnd& Start(bool activate = true);
    BackWnd& wnd() { return app->mainWindow(); }
    // The option file's bytes on the host.
    std::vector<uint8_t> OptionBytes();
    void WriteOptionBytes(const std::vector<uint8_t>& bytes);
    // The option file's bytes for these records.
    static std::vector<uint8_t> OptionBytesOf(const ViewOption& view, const KeyMap& keys);
    // Opens `file` of the main folder at `page` as the list does; answers
    // whether the viewer is shown.
    bool Open(const std::u16string& file, int page = 0);
    // Takes the Key button and confirms the Button Setting dialog with `map`.
    void ConfirmKeyMap(const KeyMap& map);
    // Takes the Option button and confirms the Options dialog with `view`.
    void ConfirmViewOption(const ViewOption& view);
    // A storage card appears without a device-change message: only a
    // library refresh notices it.
    void InsertCardQuietly(const std::u16string& name) { dev.AddCard(name); }
    // How many storage cards the library found at its last refresh.
    int CardsListed() { return wnd().listWnd().model().cardCount(); }

    OemDevice dev;
    RecordingHotKeys keys;
    std::unique_ptr<ReaderApp> app;
};

// Where a test may leave pictures to look at: $INKVISTA_SHOT_DIR, else empty.
QString ShotDir();

}  // namespace inkvista::test
