// The one top-level window: the home screen, the holder of the list and the
// viewer, the settings, and the hardware buttons.
#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/HomeScreen.h"
#include "dialogs/WorkingCopies.h"
#include "library/LibraryListWnd.h"
#include "models/HiddenBooks.h"
#include "models/Screens.h"
#include "platform/Device.h"
#include "platform/Screen.h"
#include "settings/OptionFile.h"
#include "settings/TextConversion.h"
#include "settings/UserDir.h"
#include "settings/ViewOption.h"
#include "viewer/PageViewWnd.h"

class QPainter;
class QShortcut;

namespace inkvista {

class DesktopWays;
class HotKeys;
class JsonValue;
class WindowMemory;

// Which surface or dialog is current: the home screen (the list), one of
// its dialogs, or the viewer. The numbers are the ones the script state
// shows as `screenState`.
enum class Screen : int {
    List = 2,
    Options = 4,
    About = 8,
    Keys = 9,
    Viewer = 16,
};

constexpr unsigned kCardPollTimerId = 6;
constexpr unsigned kCardPollPeriodMs = 500;

class BackWnd : public QWidget, public ScreenSwitcher {
    Q_OBJECT

  public:
    // Construction: defaults, the device check (isLoox, hotKeyBase), the list
    // and viewer objects, the settings records with their defaults, and a
    // first UnregisterHotKeys.
    BackWnd(Device& device, HotKeys& hotKeys);
    ~BackWnd() override;

    // Window creation: documents subfolder, surfaces, options, hot keys, text
    // conversion, password and user folder, list window, hidden viewer, card
    // poll on the LOOX. The window is shown at 0,0 with size 0 × 0; the first
    // activation (OnActivate(true)) makes it full-screen. On the desktop the
    // launcher stands in for the shell and activates it once after Create.
    bool Create();

    // A book named on the command line, after Create: its folder (a device
    // path) becomes the user folder for this run only, never written to the
    // registry by this, unless the library lists that folder already; the
    // book opens at its remembered page. False
    // when it could not be opened (the reader has shown why; the list of
    // that folder is showing).
    // A book still open is closed first, keeping its page, as the viewer's
    // close button closes it. It opens as `kind`, its header's, even where
    // the library lists it by its name as the other kind.
    bool OpenLaunchBook(const std::u16string& folder, const std::u16string& fileName,
                        BookKind kind);
    // Runs `action` from the event loop once no popup menu, dialog or box is
    // open (at once when none is).
    void WhenIdle(std::function<void()> action);
    // Shown, not minimised, raised and active: another start asked for it.
    void BringToFront();

    // WM_ACTIVATE with WA_ACTIVE / WA_INACTIVE.
    void OnActivate(bool active);
    // WM_DEVICECHANGE.
    void OnDeviceChange(uint32_t deviceEvent);
    // WM_TIMER.
    void OnTimer(unsigned id);
    // The passages between the home screen and the viewer (ScreenSwitcher).
    void OpenRequestedBook() override;
    void ReturnToLibrary(bool keepPage) override;

    // The hardware buttons.
    void RegisterHotKeys();
    void UnregisterHotKeys();
    // WM_HOTKEY: forwards a button to the viewer while it is shown.
    void OnHotKey(int id);

  signals:
    // WM_USER + 2, a hardware button for the viewer.
    void hardwareButtonPosted(uint32_t code);

  public:
    // Key codes held now (hotKeyBase + i for each set flag), ascending.
    std::vector<uint32_t> RegisteredHotKeyCodes() const;

    // Home screen.
    void DrawBackImage(QPainter& target);
    void OnStylusDown(int x, int y);
    void OnStylusUp(int x, int y);
    // Runs the modal dialog of screenState 4, 8 or 9; true when confirmed.
    bool ShowDialog();

    // Settings and registry values, on this window's records.
    bool LoadOptions();
    bool SaveOptions();
    // Shows the message of a failed load or save; true when there was none.
    bool Told(OptionFileError error);
    void ReadUserDir();
    void CheckUserDir();
    // Removes the hidden books after a password reset: those of the folders
    // of the last library refresh and of the user folder.
    void DeleteHiddenBooks();

    // Closes the window as the window manager does, from the event loop:
    // first any open popup menu, dialog or message box is dismissed (as with
    // Cancel) and the code that waited on it finishes, then the window
    // closes, which keeps the page of an open book. For requests from
    // outside the window: termination signals, the desktop session ending.
    void RequestClose();

    // In script mode activation comes only from the script: the platform's
    // own activation changes are then left alone.
    void SetIgnorePlatformActivation(bool ignore) { ignorePlatformActivation_ = ignore; }

    // The desktop's window, before Create: decorated, resizable, maximisable
    // and full screen (F11), the device's screen drawn at the largest scale
    // that fits it (Ctrl+plus, Ctrl+minus and Ctrl+0 step it), Ctrl+Q asking
    // "Quit InkVISTA ?". Its place is restored from `memory` and kept there
    // when it closes. With `fixedScale` (--scale) the screen stays at one
    // logical pixel per device pixel, whatever the window's size, and the
    // memory is neither read nor written. Without this call the window is
    // the device's: the screen's size, at 0,0 from its first activation.
    void BecomeDesktopWindow(WindowMemory* memory, bool fixedScale);
    bool isDesktopWindow() const { return desktopWindow_; }
    // F11: full screen, or back to the window it came from.
    void ToggleFullScreen();
    // Ctrl+plus (+1), Ctrl+minus (-1), Ctrl+0 (0): one step larger or
    // smaller, or the device's own size. A window that is neither maximised
    // nor full screen changes its size with the scale.
    void StepDeviceScale(int step);
    // Ctrl+Q: asks "Quit InkVISTA ?" as the close box does.
    void AskToQuit();
    // Where the screen is drawn in this window's coordinates, and how large
    // (logical pixels per device pixel).
    QRect deviceScreenRect() const { return screenRect_; }
    qreal deviceScale() const { return scale_; }
    // Full screen was entered with F11: Escape leaves it first.
    bool fullScreenByF11() const { return fullScreenByF11_; }

    // This window's members of the script state, and those of its children.
    void WriteState(JsonValue& state) const;

    LibraryListWnd& listWnd() { return list_; }
    // Tab, Ctrl+O and drops (null before Create).
    DesktopWays* desktopWays() { return desktopWays_.get(); }
    PageViewWnd& viewWnd() { return viewer_; }
    Device& device() { return device_; }

    // Read-only views of the window's fields.
    int screenWidth() const { return screenWidth_; }
    int screenHeight() const { return screenHeight_; }
    Screen screenState() const { return screenState_; }
    HomeButton pressedButton() const { return pressedButton_; }
    const std::array<bool, 4>& hotKeyRegistered() const { return hotKeyRegistered_; }
    bool isLoox() const { return isLoox_; }
    uint32_t hotKeyBase() const { return hotKeyBase_; }
    unsigned cardPollTimer() const { return cardPollTimer_; }
    uint8_t card1Present() const { return card1Present_; }
    uint8_t card2Present() const { return card2Present_; }
    const Password& password() const { return password_; }
    const UserDir& userDir() const { return userDir_; }
    bool userDirExists() const { return userDirExists_; }
    const ViewOption& viewOption() const { return viewOption_; }
    const KeyMap& keyMap() const { return keyMap_; }
    TextConversion textConversion() const { return textConversion_; }
    bool captured() const { return captured_; }
    // The composed home screen of the last DrawBackImage.
    const QImage& backImage() const { return backBitmap_; }
    // The window has been closed (destroyed, on the device): the program ends.
    bool isClosed() const { return closed_; }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FullScreen(uint32_t flags);
    // The screen's scale and place for the window's size now, given to the
    // children, the dialogs to come (PublishDeviceScreen) and the painting.
    void PlaceScreen();
    // A point of this window in the screen's pixels.
    QPoint ToDevice(const QPointF& at) const;
    void AddDesktopKeys();
    // Makes the list's and the home screen's pictures ahead for the scale
    // the window comes up at, the list's first (it takes them first). Given
    // the size a maximised or full-screen window will have (WindowMemory),
    // they are made for that size's scale.
    void PrepareStartPictures(std::optional<QSize> comingSize);
    void TakeCapture();
    void ReleaseCapture();
    void InvalidateAndUpdate();
    // Key dialog confirmed / Options closed: the stylus-up actions.
    void RunKeysDialog();
    void RunOptionsDialog();
    // What the library takes from this window's settings as they are now.
    LibrarySettings LibrarySettingsNow() const;
    // The settings, the password's presence and the shell's full-screen
    // state in the script state (SettingsState.cpp).
    void WriteSettingsState(JsonValue& state) const;
    void OnLibraryRefreshed(const RefreshReport& report);

    Device& device_;
    HotKeys& hotKeys_;

    int screenWidth_ = 0;
    int screenHeight_ = 0;
    Screen screenState_ = Screen::List;
    HomeButton pressedButton_ = HomeButton::None;
    std::array<bool, 4> hotKeyRegistered_{};
    bool isLoox_ = false;
    uint32_t hotKeyBase_ = 0;
    unsigned cardPollTimer_ = 0;
    uint8_t card2Present_ = 0;
    uint8_t card1Present_ = 0;
    Password password_{};
    UserDir userDir_{};
    bool userDirExists_ = false;
    LibraryListWnd list_;
    PageViewWnd viewer_;
    ViewOption viewOption_;
    KeyMap keyMap_;
    // Composition surface of the home screen (backDC with backBitmap).
    QImage backBitmap_;

    // Derived from koreanPatch: how book header texts are converted.
    TextConversion textConversion_ = TextConversion::System;
    // Auto scroll was running when the program last went to the back.
    bool autoScrollWasOn_ = false;
    // The stylus capture is held for a home-screen button.
    bool captured_ = false;
    // What the dialogs edit while they run; expandedFolderPath lives here
    // for the whole run.
    DialogWorkingCopies working_;
    bool ignorePlatformActivation_ = false;
    bool closed_ = false;

    // The desktop window (BecomeDesktopWindow).
    bool desktopWindow_ = false;
    bool fixedScale_ = false;
    WindowMemory* memory_ = nullptr;
    QRect screenRect_{0, 0, kScreenWidth, kScreenHeight};
    qreal scale_ = 1;
    // A scale stepped below the fit of a maximised or full-screen window,
    // which keeps its size; unset, the screen fills it.
    std::optional<qreal> chosenScale_;
    // The size a window coming back maximised or full screen will have
    // (WindowMemory), until the window system gives it one: laid out for it
    // from the start, not for each size it passes on the way.
    std::optional<QSize> comingSize_;
    bool fullScreenByF11_ = false;
    QShortcut* leaveFullScreen_ = nullptr;
    // After the list and the viewer, so that it goes before them.
    std::unique_ptr<DesktopWays> desktopWays_;
};

}  // namespace inkvista
