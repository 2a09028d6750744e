// The one top-level window: the home screen, the holder of the list and the
// viewer, the settings, and the hardware buttons.
#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "dialogs/WorkingCopies.h"
#include "library/HiddenBooks.h"
#include "library/LibraryListWnd.h"
#include "platform/Device.h"
#include "settings/TextConversion.h"
#include "settings/UserDir.h"
#include "settings/ViewOption.h"
#include "viewer/PageViewWnd.h"

class QPainter;

namespace inkvista {

class HotKeys;

// Which surface or dialog is current. No other value is ever stored.
enum ScreenState : int {
    kStateList = 2,
    kStateOptions = 4,
    kStateAbout = 8,
    kStateKeys = 9,
    kStateViewer = 16,
};

// Home-screen button held by the stylus (same numbers as the states of the
// dialogs they open); kNoButton when none.
enum PressedButton : int {
    kButtonClose = 0,
    kNoButton = 2,
    kButtonOptions = 4,
    kButtonAbout = 8,
    kButtonKeys = 9,
};

constexpr int kListWindowId = 1001;
constexpr int kViewerWindowId = 1002;
constexpr unsigned kCardPollTimerId = 6;
constexpr unsigned kCardPollPeriodMs = 500;
// Shell full-screen control flags.
constexpr uint32_t SHFS_HIDETASKBAR = 0x2;
constexpr uint32_t SHFS_HIDESIPBUTTON = 0x8;

class BackWnd : public QWidget {
    Q_OBJECT

  public:
    // Construction: defaults, the list and viewer objects, the settings
    // records, the device check (sets hotKeyBase) and a first
    // UnregisterHotKeys. `screenSize` is the display's resolution (HORZRES ×
    // VERTRES), taken over at window creation.
    BackWnd(Device& device, HotKeys& hotKeys, QSize screenSize = QSize(240, 320));
    ~BackWnd() override;

    // Window creation: documents subfolder, surfaces, options, hot keys, text
    // conversion, password and user folder, list window, hidden viewer, card
    // poll on the LOOX. The window is shown at 0,0 with size 0 × 0; the first
    // activation (OnActivate(true)) makes it full-screen. On the desktop the
    // launcher stands in for the shell and activates it once after Create.
    bool Create();

    // WM_ACTIVATE with WA_ACTIVE / WA_INACTIVE.
    void OnActivate(bool active);
    // WM_DEVICECHANGE.
    void OnDeviceChange(uint32_t deviceEvent);
    // WM_TIMER.
    void OnTimer(unsigned id);
    // 1001: back to the library (flag: remember the page being read);
    // 1002: open the list's open request. Any other id does nothing.
    void SwitchScreen(int id, bool flag);

    // Part of the hardware-key handling.
    void RegisterHotKeys();
    void UnregisterHotKeys();
    // WM_HOTKEY: forwards a button to the viewer while it is shown.
    void OnHotKey(int id);
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
    void ReadUserDir();
    void CheckUserDir();
    // Removes the hidden books after a password reset; the hidden-books
    // support is not built yet and nothing can ask for a reset so far.
    void DeleteHiddenBooks();

    // Whether "\Storage Card" / "\Storage Card2" exists: 1 or 0.
    uint8_t ProbeStorageCard();
    uint8_t ProbeStorageCard2();

    LibraryListWnd& listWnd() { return list; }
    PageViewWnd& viewWnd() { return viewer; }
    Device& device() { return device_; }
    // The composed home screen of the last DrawBackImage.
    const QImage& backImage() const { return backBitmap; }
    // The window has been closed (destroyed, on the device): the program ends.
    bool isClosed() const { return closed_; }

    // In script mode activation comes only from the script: the platform's
    // own activation changes are then left alone.
    bool ignorePlatformActivation = false;

    // Fields, in the order the program has always kept them.
    int screenWidth = 0;
    int screenHeight = 0;
    int screenState = kStateList;
    int pressedButton = kNoButton;
    std::array<bool, 4> hotKeyRegistered{};
    bool isLoox = false;
    unsigned cardPollTimer = 0;
    uint8_t card2Present = 0;
    uint8_t card1Present = 0;
    Password password{};
    UserDir userDir{};
    bool userDirExists = false;
    LibraryListWnd list;
    PageViewWnd viewer;
    ViewOption viewOption;
    KeyMap keyMap;
    // Composition surfaces of the home screen (backDC with backBitmap, imageDC).
    QImage backBitmap;
    QImage imageDC;

    // Derived from koreanPatch: how book header texts are converted.
    TextConversion textConversion = TextConversion::System;
    // The shell's full-screen control and input panel as last set.
    uint32_t fullScreenFlags = 0;
    bool inputPanelShown = false;
    // Auto scroll was running when the program last went to the back.
    bool autoScrollWasOn = false;
    // The stylus capture is held for a home-screen button.
    bool captured = false;
    // What the dialogs edit while they run.
    DialogWorkingCopies working;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void FullScreen(uint32_t flags);
    void RefreshList();
    void TakeCapture();
    void ReleaseCapture();
    void InvalidateAndUpdate();

    Device& device_;
    HotKeys& hotKeys_;
    QSize screenSize_;
    bool closed_ = false;
};

}  // namespace inkvista
