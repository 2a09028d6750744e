#include "app/BackWnd.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <memory>

#include "app/HotKeys.h"
#include "app/KeyActions.h"
#include "app/WindowMessages.h"
#include "library/UserDirDialog.h"
#include "settings/OptionFile.h"

// The artwork lives in a static library, whose resources must be brought in
// by hand; the macro only works outside a namespace.
static void InitArtwork() {
    Q_INIT_RESOURCE(inkvista);
}

namespace inkvista {

BackWnd::BackWnd(Device& device, HotKeys& hotKeys, QSize screenSize)
    : QWidget(nullptr),
      list(device, this),
      viewer(device),
      device_(device),
      hotKeys_(hotKeys),
      screenSize_(screenSize) {
    InitArtwork();
    viewer.setParent(this);
    viewer.hide();
    setWindowTitle(QStringLiteral("InkVista"));
    // The device's main window has no caption or border: it is the screen.
    setWindowFlag(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);

    screenState = kStateList;
    pressedButton = kNoButton;
    hotKeyRegistered.fill(false);

    // The device check: the LOOX's buttons start one key code higher.
    isLoox = IsLooxOemInfo(device_.shell().OemInfo());
    hotKeyBase = isLoox ? kHotKeyBaseLoox : kHotKeyBaseDefault;

    cardPollTimer = 0;
    UnregisterHotKeys();
}

BackWnd::~BackWnd() {
    if (cardPollTimer != 0) {
        device_.timers().KillTimer(this, cardPollTimer);
        cardPollTimer = 0;
    }
    UnregisterHotKeys();
    imageDC = QImage();
    backBitmap = QImage();
    // The members go next in reverse order: keyMap, viewOption, the viewer and
    // the list.
}

bool BackWnd::Create() {
    setGeometry(0, 0, 0, 0);

    // The program folder in the documents folder; its failure shows later,
    // when the option file cannot be created.
    const std::u16string programFolder = device_.shell().PersonalFolder() + u"\\InkVISTA";
    FindData found;
    FindHandle search = device_.files().FindFirst(programFolder, &found);
    if (!search) {
        device_.files().CreateDirectory(programFolder);
    } else {
        search.Close();
    }

    screenWidth = screenSize_.width();
    screenHeight = screenSize_.height();
    backBitmap = QImage(screenWidth, screenHeight, QImage::Format_RGB32);
    backBitmap.fill(Qt::white);
    imageDC = QImage();

    LoadOptions();
    RegisterHotKeys();
    textConversion = TextConversionFor(viewOption);
    LoadPassword(device_, password);
    ReadUserDir();
    CheckUserDir();
    ExpandedFolderPath().fill(u'\0');
    // Hidden books are never listed right after start, whatever was saved.
    viewOption.showHiddenFiles = 0;

    list.Create(QRect(7, 78, screenWidth - 14, screenHeight - 85), kListWindowId);
    viewer.Create(QRect(0, 0, screenWidth, screenHeight), kViewerWindowId);

    if (isLoox) {
        cardPollTimer = device_.timers().SetTimer(this, kCardPollTimerId, kCardPollPeriodMs,
                                                  [this] { OnTimer(kCardPollTimerId); });
    }
    show();
    return true;
}

void BackWnd::FullScreen(uint32_t flags) {
    fullScreenFlags |= flags;
    if (flags & SHFS_HIDESIPBUTTON) inputPanelShown = false;
}

void BackWnd::OnActivate(bool active) {
    if (active) {
        FullScreen(SHFS_HIDETASKBAR);
        FullScreen(SHFS_HIDESIPBUTTON);
        setGeometry(0, 0, screenWidth, screenHeight);
        update();
        RegisterHotKeys();
        if (screenState == kStateViewer) {
            viewer.setFocus();
            if (autoScrollWasOn) {
                viewer.ToggleAutoScroll();
                autoScrollWasOn = false;
            }
        } else if (screenState == kStateList) {
            list.setFocus();
        }
        return;
    }
    if (screenState == kStateViewer && viewer.autoScrollOn) {
        viewer.ToggleAutoScroll();
        autoScrollWasOn = true;
    } else {
        autoScrollWasOn = false;
    }
    UnregisterHotKeys();
}

void BackWnd::RegisterHotKeys() {
    UnregisterHotKeys();
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (keyMap.hotKey(i) == NoMapping) continue;
        // Held from now on whether or not the system grants it.
        hotKeyRegistered[static_cast<size_t>(i)] = true;
        const uint32_t key = hotKeyBase + static_cast<uint32_t>(i);
        hotKeys_.Register(static_cast<int>(key), MOD_WIN, key);
    }
}

void BackWnd::UnregisterHotKeys() {
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (!hotKeyRegistered[static_cast<size_t>(i)]) continue;
        hotKeys_.Unregister(static_cast<int>(hotKeyBase + static_cast<uint32_t>(i)));
        hotKeyRegistered[static_cast<size_t>(i)] = false;
    }
}

std::vector<uint32_t> BackWnd::RegisteredHotKeyCodes() const {
    std::vector<uint32_t> codes;
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (hotKeyRegistered[static_cast<size_t>(i)]) {
            codes.push_back(hotKeyBase + static_cast<uint32_t>(i));
        }
    }
    return codes;
}

void BackWnd::OnHotKey(int id) {
    if (id < static_cast<int>(hotKeyBase) || id > static_cast<int>(hotKeyBase) + 3) return;
    if (screenState != kStateViewer) return;  // a held button does nothing elsewhere
    QCoreApplication::postEvent(
        &viewer, std::make_unique<UserMessageEvent>(kHotKeyMessage, static_cast<uintptr_t>(id), 0)
                     .release());  // the event queue takes ownership
}

void BackWnd::SwitchScreen(int id, bool flag) {
    if (id == kListWindowId) {
        screenState = kStateList;
        if (flag) {
            list.SaveBookmark(viewer.currentPage());
        } else {
            list.selectedIndex = 0;
            list.RefreshLibrary();
        }
        viewer.hide();
        list.show();
        list.setFocus();
        return;
    }
    if (id != kViewerWindowId) return;

    const OpenRequest& request = list.openRequest;
    if (!viewer.OpenBook(request.fileName, request.slotNumber, list.currentEntryKind,
                         list.Folders(), textConversion)) {
        return;  // the opener has shown its message
    }
    viewer.viewOption = viewOption;
    viewer.keyMap = keyMap;
    viewer.image.currentPage = request.bookmarkPage;
    if (!viewer.LoadPage()) {
        device_.messages().Show(u"File Open Failed");
        return;
    }
    screenState = kStateViewer;
    list.hide();
    viewer.show();
    viewer.setFocus();
}

void BackWnd::OnTimer(unsigned id) {
    if (id != kCardPollTimerId) return;
    const uint8_t present = ProbeStorageCard2();
    if (screenState == kStateList && present != card2Present) RefreshList();
}

void BackWnd::OnDeviceChange(uint32_t deviceEvent) {
    if (deviceEvent == DBT_DEVICEARRIVAL) {
        if (screenState == kStateList) {
            device_.timers().Sleep(100);  // let the new volume settle
            RefreshList();
        }
    } else if (deviceEvent == DBT_DEVICEREMOVECOMPLETE) {
        if (screenState == kStateList) RefreshList();
    }
}

void BackWnd::TakeCapture() {
    // Headless platforms cannot grab the pointer and say so on every try;
    // there the implicit grab of the press is all there is.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) grabMouse();
    captured = true;
}

void BackWnd::ReleaseCapture() {
    captured = false;
    if (QWidget::mouseGrabber() == this) releaseMouse();
}

void BackWnd::RefreshList() {
    list.RefreshLibrary();
}

namespace {

uint8_t PathFound(Device& device, std::u16string_view path) {
    FindData found;
    FindHandle search = device.files().FindFirst(path, &found);
    if (!search) return 0;
    search.Close();
    return 1;
}

}  // namespace

uint8_t BackWnd::ProbeStorageCard() {
    return PathFound(device_, u"\\Storage Card");
}

uint8_t BackWnd::ProbeStorageCard2() {
    return PathFound(device_, u"\\Storage Card2");
}

bool BackWnd::LoadOptions() {
    return inkvista::LoadOptions(device_, viewOption, keyMap);
}

bool BackWnd::SaveOptions() {
    if (!inkvista::SaveOptions(device_, viewOption, keyMap)) return false;
    textConversion = TextConversionFor(viewOption);
    return true;
}

void BackWnd::ReadUserDir() {
    inkvista::ReadUserDir(device_, userDir);
}

void BackWnd::CheckUserDir() {
    userDirExists = inkvista::CheckUserDir(device_, userDir);
}

void BackWnd::DeleteHiddenBooks() {
    // Comes with the hidden-books support, together with the password dialog
    // that is the only way to ask for it.
}

bool BackWnd::event(QEvent* event) {
    const int type = event->type();
    if (type == kHotKeyEventType) {
        OnHotKey(static_cast<HotKeyEvent*>(event)->id());
        return true;
    }
    if (type == kDeviceChangeEventType) {
        OnDeviceChange(static_cast<DeviceChangeEvent*>(event)->deviceEvent());
        return true;
    }
    if (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate) {
        const bool handled = QWidget::event(event);
        if (!ignorePlatformActivation) OnActivate(type == QEvent::WindowActivate);
        return handled;
    }
    return QWidget::event(event);
}

void BackWnd::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    closed_ = true;
    // Destroying the window takes its timers and hot keys with it.
    if (cardPollTimer != 0) device_.timers().KillTimer(this, cardPollTimer);
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (hotKeyRegistered[static_cast<size_t>(i)]) {
            hotKeys_.Unregister(static_cast<int>(hotKeyBase + static_cast<uint32_t>(i)));
        }
    }
}

}  // namespace inkvista
