#include "app/DesktopWays.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QPainter>
#include <QPen>
#include <QShortcut>
#include <QUrl>
#include <system_error>

#include "app/BackWnd.h"
#include "app/BookMaking.h"
#include "app/LaunchBook.h"
#include "app/LaunchOptions.h"
#include "bookwriter/ComicArchive.h"
#include "platform/HostNames.h"
#include "platform/Text.h"

namespace inkvista {

namespace {

namespace fs = std::filesystem;

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

std::u16string Text(const QString& text) {
    return text.toStdU16String();
}

QString FileNameOf(const std::string& path) {
    return FromUtf8(fs::path(path).lexically_normal().filename().string());
}

// The host paths of the local files a drag carries; empty when it carries
// anything else too.
std::vector<fs::path> LocalPaths(const QMimeData* mime) {
    std::vector<fs::path> paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) return {};
        paths.emplace_back(url.toLocalFile().toStdString());
    }
    return paths;
}

bool IsTab(const QKeyEvent& key) {
    const Qt::KeyboardModifiers others = key.modifiers() & ~Qt::ShiftModifier & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) && others == Qt::NoModifier;
}

}  // namespace

QRect HomeButtonFrame(HomeButton button) {
    // Where ComposeHomeScreen draws the pressed looks; the close box, which
    // has none, its hit region.
    switch (button) {
        case HomeButton::Keys:
            return {85, 48, 39, 19};
        case HomeButton::Options:
            return {127, 48, 52, 19};
        case HomeButton::About:
            return {182, 48, 52, 19};
        case HomeButton::Close:
            return {222, 5, 16, 16};
        default:
            return {};
    }
}

QPoint HomeButtonCentre(HomeButton button) {
    return HomeButtonFrame(button).center();
}

DropPlan PlanDrop(const std::vector<fs::path>& paths) {
    DropPlan plan;
    std::string firstBook;
    for (const fs::path& path : paths) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (fs::is_directory(status) ||
            (fs::is_regular_file(status) && bookwriter::IsComicArchiveName(path.string()))) {
            plan.inputs.push_back(path.string());
            continue;
        }
        fs::path book;
        BookKind kind = BookKind::Cmb;
        std::string refusal;
        if (firstBook.empty() && TakeLaunchBook(path.string(), &book, &kind, &refusal)) {
            firstBook = book.string();
        }
    }
    if (plan.inputs.empty()) plan.book = firstBook;
    return plan;
}

DesktopWays::DesktopWays(BackWnd& window, Device& device)
    : window_(window), list_(window.listWnd()), device_(device) {
    window_.installEventFilter(this);
    list_.installEventFilter(this);
    window_.setAcceptDrops(true);
    open_ = new QShortcut(QKeySequence::Open, &window_);  // owned by the window
    connect(open_, &QShortcut::activated, this, &DesktopWays::ChooseBook);
}

DesktopWays::~DesktopWays() {
    list_.removeEventFilter(this);
    window_.removeEventFilter(this);
    delete open_;
}

HomeButton DesktopWays::focusedButton() const {
    return window_.focusWidget() == &window_ ? focused_ : HomeButton::None;
}

void DesktopWays::MoveFocus(bool forward) {
    constexpr int kStops = static_cast<int>(std::size(kTabOrder)) + 1;  // the list last
    int at = kStops - 1;
    for (int i = 0; i < kStops - 1; ++i) {
        if (kTabOrder[i] == focusedButton()) at = i;
    }
    at = (at + (forward ? 1 : kStops - 1)) % kStops;
    if (at == kStops - 1) {
        focused_ = HomeButton::None;
        list_.setFocus(Qt::TabFocusReason);
    } else {
        focused_ = kTabOrder[at];
        window_.setFocus(Qt::TabFocusReason);
    }
    window_.update();
}

void DesktopWays::PressFocused() {
    const HomeButton button = focusedButton();
    if (button == HomeButton::None) return;
    const QPoint at = HomeButtonCentre(button);
    window_.OnStylusDown(at.x(), at.y());
    window_.OnStylusUp(at.x(), at.y());
}

void DesktopWays::DrawFocus(QImage& back) const {
    const HomeButton button = focusedButton();
    if (button == HomeButton::None || window_.screenState() != Screen::List) return;
    // Black dots on white, seen on the light buttons and the red close box.
    QPainter painter(&back);
    const QRectF frame = QRectF(HomeButtonFrame(button)).adjusted(2.5, 2.5, -2.5, -2.5);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.drawRect(frame);
}

fs::path DesktopWays::MainFolder() {
    const std::u16string folder =
        device_.shell().PersonalFolder() + u"\\" + std::u16string(kBookFolderName);
    const auto host = device_.files().mapper().Resolve(folder);
    if (!host) return {};
    std::error_code ec;
    fs::create_directories(*host, ec);
    return fs::is_directory(*host, ec) ? *host : fs::path();
}

void DesktopWays::ChooseBook() {
    const auto documents = device_.files().mapper().Resolve(device_.shell().PersonalFolder());
    const QString file =
        QFileDialog::getOpenFileName(&window_, QStringLiteral("Open Book"),
                                     documents ? FromUtf8(documents->string()) : QString(),
                                     QStringLiteral("Books (*.cmb *.cxb);;All files (*)"));
    if (!file.isEmpty()) OpenBookFile(file.toStdString());
}

void DesktopWays::OpenBookFile(const std::string& path) {
    LaunchBook placed;
    std::string refusal;
    if (!ReachLaunchBook(device_, path, &placed, &refusal)) {
        device_.messages().Show(Utf8ToUtf16(refusal));
        return;
    }
    window_.OpenLaunchBook(placed.folder, placed.fileName, placed.kind);
}

void DesktopWays::TakeDrop(const DropPlan& plan) {
    if (!plan.book.empty()) {
        OpenBookFile(plan.book);
        return;
    }
    if (plan.inputs.empty()) return;
    const QString question =
        plan.inputs.size() == 1
            ? QStringLiteral("Make a book of \"%1\" in the library ?")
                  .arg(FileNameOf(plan.inputs.front()))
            : QStringLiteral("Make books of the %1 archives and folders in the library ?")
                  .arg(plan.inputs.size());
    if (device_.messages().Show(Text(question), MB_OKCANCEL) != IDOK) return;
    MakeBooks(plan.inputs);
}

void DesktopWays::MakeBooks(const std::vector<std::string>& inputs) {
    const fs::path folder = MainFolder();
    if (folder.empty()) {
        device_.messages().Show(u"Cannot make the main book folder");
        return;
    }
    BookMakingDialog dialog(&window_, inputs, folder.string());
    dialog.CentreOverScreen();
    dialog.exec();
    std::string select;
    for (const MadeBook& made : dialog.results()) {
        switch (made.outcome) {
            case MadeBook::Outcome::Made:
                select = made.book;
                break;
            case MadeBook::Outcome::Exists:
                select = made.book;
                device_.messages().Show(Text(
                    QStringLiteral("\"%1\" is in the library already").arg(FileNameOf(made.book))));
                break;
            case MadeBook::Outcome::Failed:
                device_.messages().Show(
                    Text(QStringLiteral("Cannot make a book of \"%1\": %2")
                             .arg(FileNameOf(made.input), FromUtf8(made.error))));
                break;
            case MadeBook::Outcome::Cancelled:
                break;
        }
    }
    // The open book's entry must stay valid while it is read: the list shows
    // the new books when it comes back.
    if (window_.screenState() != Screen::List || select.empty()) return;
    list_.RefreshLibrary();
    list_.SelectBook(FolderSlot::Main, DeviceName(fs::path(select).filename().native()));
}

bool DesktopWays::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_) return WindowEvent(event);
    if (watched == &list_) return ListEvent(event);
    return false;
}

bool DesktopWays::WindowEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (window_.screenState() != Screen::List) return false;
            if (IsTab(*key)) {
                MoveFocus(key->key() == Qt::Key_Tab);
                return true;
            }
            const bool press = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
                               key->key() == Qt::Key_Enter;
            if (!press || focusedButton() == HomeButton::None) return false;
            if (!key->isAutoRepeat()) PressFocused();
            return true;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            window_.update();
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            // What is dragged does not change while it moves over the window.
            if (event->type() == QEvent::DragEnter) {
                dragUsable_ = !PlanDrop(LocalPaths(drag->mimeData())).empty();
            }
            if (!dragUsable_) {
                drag->ignore();
            } else {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const DropPlan plan = PlanDrop(LocalPaths(drop->mimeData()));
            if (plan.empty()) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            // After the drop has ended: the program that dragged waits for it.
            QMetaObject::invokeMethod(
                this, [this, plan] { window_.WhenIdle([this, plan] { TakeDrop(plan); }); },
                Qt::QueuedConnection);
            return true;
        }
        default:
            return false;
    }
}

bool DesktopWays::ListEvent(QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        focused_ = HomeButton::None;
        window_.update();
        return false;
    }
    if (event->type() != QEvent::KeyPress || window_.screenState() != Screen::List) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!IsTab(*key)) return false;
    MoveFocus(key->key() == Qt::Key_Tab);
    return true;
}

}  // namespace inkvista
