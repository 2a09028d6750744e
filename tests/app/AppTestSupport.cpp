#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "dialogs/ButtonSettingDialog.h"
#include "dialogs/OptionsDialog.h"
#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"
#include "settings/OptionFile.h"
#include "ui/DialogControls.h"
#include "ui/Fonts.h"

namespace inkvista::test {

namespace {

// The application lives from the first test to the end of the run and goes
// before main returns: Qt's own globals are gone by static destruction.
class QtEnvironment : public ::testing::Environment {
  public:
    QApplication& app() {
        if (!app_) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            app_ = std::make_unique<QApplication>(argc_, argv_);
            LoadReaderFonts();
        }
        return *app_;
    }
    void TearDown() override {
        if (!app_) return;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app_.reset();
    }

  private:
    int argc_ = 1;
    char name_[10] = "app_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

QtEnvironment* const qtEnvironment = static_cast<QtEnvironment*>(
    ::testing::AddGlobalTestEnvironment(std::make_unique<QtEnvironment>().release()));

}  // namespace

QApplication& App() {
    return qtEnvironment->app();
}

bool RecordingHotKeys::Register(int id, uint32_t modifiers, uint32_t vk) {
    ++registerCalls;
    if (refuse.count(id)) return false;
    held[id] = {modifiers, vk};
    return true;
}

void RecordingHotKeys::Unregister(int id) {
    held.erase(id);
}

std::vector<int> RecordingHotKeys::heldIds() const {
    std::vector<int> ids;
    for (const auto& entry : held) ids.push_back(entry.first);
    return ids;
}

OemDevice::OemDevice(std::u16string oem) {
    DeviceOptions options = base_.device().options();
    options.oem = std::move(oem);
    device_ = std::make_unique<Device>(options, base_.messages(), base_.clock());
}

std::filesystem::path OemDevice::AddCard(const std::u16string& name) {
    const std::filesystem::path dir =
        base_.root().parent_path() / "cards" / std::filesystem::path(std::u16string(name));
    std::filesystem::create_directories(dir);
    device_->InsertCard(name, dir);
    return dir;
}

std::vector<uint8_t> TestPagePixels(uint32_t width, uint32_t height) {
    static constexpr uint8_t kLevels[8] = {0, 36, 72, 108, 144, 180, 216, 255};
    std::vector<uint8_t> grey(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const bool frame = x < 4 || y < 4 || x + 4 >= width || y + 4 >= height;
            grey[size_t{y} * width + x] = frame ? 0 : kLevels[1 + (y * 7 / height)];
        }
    }
    return grey;
}

bool WriteTestBook(const std::filesystem::path& file, int pages, uint32_t width, uint32_t height,
                   const std::string& title, BookKind kind) {
    encode::BookPlan plan;
    plan.kind = kind;
    plan.title = title;
    const std::vector<uint8_t> grey = TestPagePixels(width, height);
    for (int i = 0; i < pages; ++i) {
        auto page = encode::GreyPage(grey.data(), width, height, width);
        if (!page) return false;
        plan.pages.push_back(*page);
    }
    std::filesystem::create_directories(file.parent_path());
    return encode::WriteFile(file.string(), encode::BuildBook(plan));
}

namespace {

void PollForDialog(const std::shared_ptr<DialogWatch::State>& state, int attemptsLeft) {
    if (state->cancelled) return;
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        state->seen = true;
        state->title = dialog->windowTitle();
        state->action(dialog);
        return;
    }
    if (attemptsLeft == 0) return;
    QTimer::singleShot(5, [state, attemptsLeft] { PollForDialog(state, attemptsLeft - 1); });
}

}  // namespace

DialogWatch::DialogWatch(std::function<void(QWidget* dialog)> action)
    : state_(std::make_shared<State>()) {
    state_->action = std::move(action);
    // Runs from inside the dialog's own event loop once it is up.
    QTimer::singleShot(0, [state = state_] { PollForDialog(state, 2000); });
}

DialogWatch::~DialogWatch() {
    state_->cancelled = true;
}

bool ClickControl(QWidget* dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog, id));
    if (!button) return false;
    button->click();
    return true;
}

bool SelectEntry(QWidget* dialog, int id, int index) {
    auto* combo = qobject_cast<QComboBox*>(FindControl(dialog, id));
    if (!combo || index >= combo->count()) return false;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

bool TypeInto(QWidget* dialog, int id, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(FindControl(dialog, id));
    if (!edit) return false;
    edit->clear();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
    return true;
}

PostedButtons::PostedButtons(BackWnd& window) {
    connect(
        &window, &BackWnd::hardwareButtonPosted, this,
        [this](uint32_t code) { codes.push_back(code); }, Qt::QueuedConnection);
}

OpenRequest Request(const std::u16string& file, int page) {
    OpenRequest request;
    request.fileName = file;
    request.bookmarkPage = page;
    request.slot = FolderSlot::Main;
    return request;
}

BackWnd& Program::Start(bool activate) {
    app = std::make_unique<ReaderApp>(dev.device(), keys);
    app->mainWindow().SetIgnorePlatformActivation(true);
    app->InitInstance();
    if (activate) app->mainWindow().OnActivate(true);
    return app->mainWindow();
}

std::vector<uint8_t> Program::OptionBytes() {
    std::ifstream in(dev.Host(OptionFilePath(dev.device())), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Program::WriteOptionBytes(const std::vector<uint8_t>& bytes) {
    const auto path = dev.Host(OptionFilePath(dev.device()));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Program::OptionBytesOf(const ViewOption& view, const KeyMap& keys) {
    std::vector<uint8_t> bytes;
    for (uint8_t b : view.ToBytes()) bytes.push_back(b);
    for (uint8_t b : keys.ToBytes()) bytes.push_back(b);
    return bytes;
}

bool Program::Open(const std::u16string& file, int page) {
    wnd().listWnd().OpenBook(Request(file, page));
    return wnd().screenState() == Screen::Viewer;
}

void Program::ConfirmKeyMap(const KeyMap& map) {
    DialogWatch watch([&](QWidget* dialog) {
        auto* keys = static_cast<ButtonSettingDialog*>(dialog);
        keys->working().keyMap = map;
        keys->ShowKeyMap();
        ClickControl(dialog, kButtonSettingOkId);
    });
    wnd().OnStylusDown(100, 58);
    wnd().OnStylusUp(100, 58);
    EXPECT_TRUE(watch.seen());
}

void Program::ConfirmViewOption(const ViewOption& view) {
    DialogWatch watch([&](QWidget* dialog) {
        auto* options = static_cast<OptionsDialog*>(dialog);
        options->working().viewOption = view;
        options->ShowSettings();
        ClickControl(dialog, kOptionsOkId);
    });
    wnd().OnStylusDown(150, 58);
    wnd().OnStylusUp(150, 58);
    EXPECT_TRUE(watch.seen());
}

QString ShotDir() {
    const char* dir = std::getenv("INKVISTA_SHOT_DIR");
    return dir ? QString::fromLocal8Bit(dir) : QString();
}

}  // namespace inkvista::test
