#include "app/BackWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QTimer>
#include <memory>

#include "app/DesktopWays.h"
#include "app/WindowMemory.h"
#include "models/Json.h"
#include "models/StorageCards.h"
#include "platform/Screen.h"
#include "platform/Text.h"
#include "settings/KeyAction.h"
#include "settings/OptionFile.h"
#include "ui/Artwork.h"
#include "ui/HotKeys.h"

namespace inkvista {

BackWnd::BackWnd(Device& device, HotKeys& hotKeys)
    : QWidget(nullptr),
      device_(device),
      hotKeys_(hotKeys),
      // The device check: the LOOX's buttons start one key code higher.
      isLoox_(IsLooxOemInfo(device.shell().OemInfo())),
      hotKeyBase_(HotKeyBaseFor(isLoox_)),
      list_(device, *this, this),
      viewer_(device, *this, this) {
    setWindowTitle(QStringLiteral("InkVISTA"));
    // The device's main window has no caption or border: it is the screen.
    // The desktop's window gets them back (BecomeDesktopWindow).
    setWindowFlag(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    connect(&list_, &LibraryListWnd::refreshed, this, &BackWnd::OnLibraryRefreshed);
    // Queued, as the device posted WM_USER + 2: the button acts once the
    // event loop runs again.
    connect(this, &BackWnd::hardwareButtonPosted, &viewer_, &PageViewWnd::OnHardwareButton,
            Qt::QueuedConnection);
    hotKeys_.SetReceiver([this](int id) { OnHotKey(id); });
    UnregisterHotKeys();
}

BackWnd::~BackWnd() {
    if (cardPollTimer_ != 0) {
        device_.timers().KillTimer(this, cardPollTimer_);
        cardPollTimer_ = 0;
    }
    UnregisterHotKeys();
    hotKeys_.SetReceiver({});
    backBitmap_ = QImage();
    // The members go next in reverse order: keyMap, viewOption, the viewer and
    // the list.
}

bool BackWnd::Create() {
    // The desktop's window keeps the place it was given.
    if (!desktopWindow_) setGeometry(0, 0, 0, 0);

    // The program folder in the documents folder; its failure shows later,
    // when the option file cannot be created.
    const std::u16string programFolder =
        device_.shell().PersonalFolder() + u"\\" + std::u16string(kBookFolderName);
    FindData found;
    FindHandle search = device_.files().FindFirst(programFolder, &found);
    if (!search) {
        device_.files().CreateDirectory(programFolder);
    } else {
        search.Close();
    }

    screenWidth_ = kScreenWidth;
    screenHeight_ = kScreenHeight;
    backBitmap_ = QImage(screenWidth_, screenHeight_, QImage::Format_RGB32);
    backBitmap_.fill(Qt::white);

    LoadOptions();
    RegisterHotKeys();
    textConversion_ = TextConversionFor(viewOption_);
    LoadPassword(device_, password_);
    ReadUserDir();
    CheckUserDir();
    working_.expandedFolderPath.fill(u'\0');
    // Hidden books are never listed right after start, whatever was saved.
    viewOption_.showHiddenFiles = 0;

    // The scale the window is shown at, for the list's first looks.
    PlaceScreen();
    list_.Create(QRect(7, 78, screenWidth_ - 14, screenHeight_ - 85), kListWindowId,
                 LibrarySettingsNow(), scale_);
    viewer_.Create(QRect(0, 0, screenWidth_, screenHeight_), kViewerWindowId);
    viewer_.model().SetHotKeyBase(hotKeyBase_);
    desktopWays_ = std::make_unique<DesktopWays>(*this, device_);

    if (isLoox_) {
        cardPollTimer_ = device_.timers().SetTimer(this, kCardPollTimerId, kCardPollPeriodMs,
                                                   [this] { OnTimer(kCardPollTimerId); });
    }
    if (desktopWindow_) setWindowIcon(ProgramIcon());
    show();
    return true;
}

bool BackWnd::OpenLaunchBook(const std::u16string& folder, const std::u16string& fileName,
                             BookKind kind) {
    ReaderModel& reader = viewer_.model();
    if (screenState_ == Screen::Viewer && reader.isOpen()) reader.CloseAndReturn(true);
    LibraryModel& library = list_.model();
    library.Select(0);
    list_.RefreshLibrary();
    // A book of a folder the library lists already opens from there: as the
    // user folder too, every book of it would be listed twice.
    FolderSlot slot = FolderSlot::User;
    for (const FolderSlot listed : kFolderSlots) {
        const BookFolders& folders = library.Folders();
        if (listed != FolderSlot::User && folders.Searched(listed) &&
            EqualsNoCase(folders.PathOf(listed), folder + u"\\")) {
            slot = listed;
            break;
        }
    }
    if (slot == FolderSlot::User) {
        if (!SetUserDirText(userDir_, folder)) return false;
        CheckUserDir();
        list_.SetSettings(LibrarySettingsNow());
        list_.RefreshLibrary();
    }
    const bool listed = library.SetCurrentByName(slot, fileName);
    if (listed && library.currentEntry()->kind == kind) {
        library.OpenCurrent();
    } else {
        // Not listed (a hidden book, a name no book has): it opens all the
        // same, from its first page. Listed by its name as the kind its header
        // is not: it opens as its header says, at the bookmark that closing
        // it keeps.
        const int32_t page = listed ? library.currentEntry()->bookmarkPage : 0;
        library.SetOpenRequest({fileName, page, slot, kind});
        OpenRequestedBook();
    }
    return screenState_ == Screen::Viewer;
}

void BackWnd::FullScreen(uint32_t flags) {
    device_.shell().FullScreen(flags);
}

void BackWnd::OnActivate(bool active) {
    ReaderModel& reader = viewer_.model();
    if (active) {
        FullScreen(SHFS_HIDETASKBAR);
        FullScreen(SHFS_HIDESIPBUTTON);
        // On the desktop the window manager places the window; the screen
        // is drawn wherever it is.
        if (!desktopWindow_) setGeometry(0, 0, screenWidth_, screenHeight_);
        update();
        RegisterHotKeys();
        if (screenState_ == Screen::Viewer) {
            viewer_.setFocus();
            if (autoScrollWasOn_) {
                reader.ToggleAutoScroll();
                autoScrollWasOn_ = false;
            }
        } else if (screenState_ == Screen::List) {
            list_.setFocus();
        }
        return;
    }
    if (screenState_ == Screen::Viewer && reader.autoScroll().autoScrollOn) {
        reader.ToggleAutoScroll();
        autoScrollWasOn_ = true;
    } else {
        autoScrollWasOn_ = false;
    }
    UnregisterHotKeys();
}

void BackWnd::RegisterHotKeys() {
    UnregisterHotKeys();
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (keyMap_.hotKey(i) == NoMapping) continue;
        // Held from now on whether or not the system grants it.
        hotKeyRegistered_[static_cast<size_t>(i)] = true;
        const uint32_t key = hotKeyBase_ + static_cast<uint32_t>(i);
        hotKeys_.Register(static_cast<int>(key), MOD_WIN, key);
    }
}

void BackWnd::UnregisterHotKeys() {
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (!hotKeyRegistered_[static_cast<size_t>(i)]) continue;
        hotKeys_.Unregister(static_cast<int>(hotKeyBase_ + static_cast<uint32_t>(i)));
        hotKeyRegistered_[static_cast<size_t>(i)] = false;
    }
}

std::vector<uint32_t> BackWnd::RegisteredHotKeyCodes() const {
    std::vector<uint32_t> codes;
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (hotKeyRegistered_[static_cast<size_t>(i)]) {
            codes.push_back(hotKeyBase_ + static_cast<uint32_t>(i));
        }
    }
    return codes;
}

void BackWnd::OnHotKey(int id) {
    if (HotKeyIndex(static_cast<uint32_t>(id), hotKeyBase_) < 0) return;
    if (screenState_ != Screen::Viewer) return;  // a held button does nothing elsewhere
    emit hardwareButtonPosted(static_cast<uint32_t>(id));
}

void BackWnd::ReturnToLibrary(bool keepPage) {
    screenState_ = Screen::List;
    if (keepPage) {
        list_.SaveBookmark(viewer_.model().currentPage());
    } else {
        list_.model().Select(0);
        list_.RefreshLibrary();
    }
    viewer_.hide();
    list_.show();
    list_.setFocus();
}

void BackWnd::OpenRequestedBook() {
    const LibraryModel& library = list_.model();
    if (!viewer_.model().Open(library.openRequest(), library.Folders(), textConversion_,
                              viewOption_, keyMap_)) {
        return;  // the reader has told why
    }
    screenState_ = Screen::Viewer;
    list_.hide();
    viewer_.show();
    viewer_.setFocus();
}

void BackWnd::OnTimer(unsigned id) {
    if (id != kCardPollTimerId) return;
    const uint8_t present = ProbeStorageCard2(device_);
    if (screenState_ == Screen::List && present != card2Present_) list_.RefreshLibrary();
}

void BackWnd::OnDeviceChange(uint32_t deviceEvent) {
    if (deviceEvent == DBT_DEVICEARRIVAL) {
        if (screenState_ == Screen::List) {
            device_.timers().Sleep(100);  // let the new volume settle
            list_.RefreshLibrary();
        }
    } else if (deviceEvent == DBT_DEVICEREMOVECOMPLETE) {
        if (screenState_ == Screen::List) list_.RefreshLibrary();
    }
}

LibrarySettings BackWnd::LibrarySettingsNow() const {
    LibrarySettings settings;
    settings.userDir = userDir_;
    settings.isLoox = isLoox_;
    settings.showHiddenFiles = ViewSettings::Of(viewOption_).showHiddenFiles;
    settings.textConversion = textConversion_;
    return settings;
}

void BackWnd::OnLibraryRefreshed(const RefreshReport& report) {
    if (!report.cardsProbed) return;
    card1Present_ = report.card1Present;
    card2Present_ = report.card2Present;
}

void BackWnd::TakeCapture() {
    // Headless platforms cannot grab the pointer and say so on every try;
    // there the implicit grab of the press is all there is.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) grabMouse();
    captured_ = true;
}

void BackWnd::ReleaseCapture() {
    captured_ = false;
    if (QWidget::mouseGrabber() == this) releaseMouse();
}

bool BackWnd::LoadOptions() {
    return Told(inkvista::LoadOptions(device_, viewOption_, keyMap_));
}

bool BackWnd::SaveOptions() {
    if (!Told(inkvista::SaveOptions(device_, viewOption_, keyMap_))) return false;
    textConversion_ = TextConversionFor(viewOption_);
    return true;
}

bool BackWnd::Told(OptionFileError error) {
    if (const char16_t* message = OptionFileMessage(error)) device_.messages().Show(message);
    return error == OptionFileError::None;
}

void BackWnd::ReadUserDir() {
    inkvista::ReadUserDir(device_, userDir_);
}

void BackWnd::CheckUserDir() {
    userDirExists_ = inkvista::CheckUserDir(device_, userDir_);
}

void BackWnd::DeleteHiddenBooks() {
    // The library's folders, with the user folder the dialogs just chose.
    BookFolders folders = list_.model().Folders();
    folders.userDir = std::u16string(UserDirText(userDir_));
    folders.userDirExists = userDirExists_;
    inkvista::DeleteHiddenBooks(device_, folders);
}

void BackWnd::WriteState(JsonValue& state) const {
    state["screenState"] = static_cast<int>(screenState_);
    state["pressedButton"] = static_cast<int>(pressedButton_);
    JsonValue& keys = state["hotKeys"] = JsonValue::Array();
    for (uint32_t code : RegisteredHotKeyCodes()) keys.Append(code);
    WriteSettingsState(state);
    list_.WriteState(state);
    viewer_.WriteState(state);
}

bool BackWnd::event(QEvent* event) {
    const int type = event->type();
    if (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate) {
        const bool handled = QWidget::event(event);
        if (!ignorePlatformActivation_) OnActivate(type == QEvent::WindowActivate);
        return handled;
    }
    return QWidget::event(event);
}

namespace {

// What holds a nested event loop now, if anything.
QWidget* OpenPopupOrModal() {
    QWidget* open = QApplication::activePopupWidget();
    return open ? open : QApplication::activeModalWidget();
}

constexpr int kIdlePollMs = 200;

}  // namespace

void BackWnd::WhenIdle(std::function<void()> action) {
    if (closed_) return;
    if (!OpenPopupOrModal()) {
        action();
        return;
    }
    QTimer::singleShot(kIdlePollMs, this, [this, action = std::move(action)]() mutable {
        WhenIdle(std::move(action));
    });
}

void BackWnd::BringToFront() {
    if (closed_) return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void BackWnd::RequestClose() {
    if (closed_) return;
    QWidget* open = OpenPopupOrModal();
    if (!open) {
        close();
        return;
    }
    // The nested event loop of what is open has to end before the window
    // may: whatever waits on it (a confirmation, a dialog) sees Cancel and
    // finishes first.
    if (auto* dialog = qobject_cast<QDialog*>(open)) {
        dialog->reject();
    } else {
        open->close();
    }
    QTimer::singleShot(0, this, &BackWnd::RequestClose);
}

void BackWnd::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    // However the window goes (the window manager, the session, a signal, the
    // end of a script), an open book keeps its page as the viewer's close
    // button keeps it.
    ReaderModel& reader = viewer_.model();
    if (screenState_ == Screen::Viewer && reader.isOpen()) reader.CloseAndReturn(true);
    if (memory_) memory_->Save(*this);
    closed_ = true;
    // Destroying the window takes its timers and hot keys with it.
    if (cardPollTimer_ != 0) device_.timers().KillTimer(this, cardPollTimer_);
    for (int i = 0; i < kHotKeyCount; ++i) {
        if (hotKeyRegistered_[static_cast<size_t>(i)]) {
            hotKeys_.Unregister(static_cast<int>(hotKeyBase_ + static_cast<uint32_t>(i)));
        }
    }
}

}  // namespace inkvista
