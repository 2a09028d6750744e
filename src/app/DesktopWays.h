// The desktop's ways into the reader, beside the stylus and the buttons:
// Tab and Shift+Tab through the home screen's buttons and the list (Space or
// Enter presses the button that has the focus), Ctrl+O for a book file, and
// books, comic archives and folders of pictures dropped on the window.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <filesystem>
#include <string>
#include <vector>

#include "app/HomeScreen.h"

class QImage;
class QShortcut;

namespace inkvista {

class BackWnd;
class Device;
class LibraryListWnd;

// Where Tab goes from each home-screen button, in the order the home screen
// shows them, the list last; what each button's focus frames and where a
// press of it lands.
inline constexpr HomeButton kTabOrder[] = {HomeButton::Keys, HomeButton::Options, HomeButton::About,
                                           HomeButton::Close};
QRect HomeButtonFrame(HomeButton button);
QPoint HomeButtonCentre(HomeButton button);

// What a drop of these host paths offers to do.
struct DropPlan {
    // The book file that opens: a drop without archives or folders.
    std::string book;
    // Comic archives and folders of pictures to make books of.
    std::vector<std::string> inputs;
    bool empty() const { return book.empty() && inputs.empty(); }
};
DropPlan PlanDrop(const std::vector<std::filesystem::path>& paths);

class DesktopWays : public QObject {
    Q_OBJECT

  public:
    // Watches `window` and its list; `window` outlives this.
    DesktopWays(BackWnd& window, Device& device);
    ~DesktopWays() override;

    // The home-screen button that has the focus, or None (the list, or
    // another window, has it).
    HomeButton focusedButton() const;
    // Tab (forward) or Shift+Tab on the home screen.
    void MoveFocus(bool forward);
    // Space or Enter: a tap at the focused button's centre.
    void PressFocused();
    // The focus frame on the composed home screen, while a button has it.
    void DrawFocus(QImage& back) const;

    // Ctrl+O: the platform's file dialog, from the documents folder.
    void ChooseBook();
    // A book file opened as `inkvista BOOK` opens it; a refusal is told in
    // a box.
    void OpenBookFile(const std::string& path);
    // A drop: a book opens; archives and folders, after a question, become
    // books in the main book folder, which the list then shows, the last
    // one selected.
    void TakeDrop(const DropPlan& plan);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool WindowEvent(QEvent* event);
    bool ListEvent(QEvent* event);
    void MakeBooks(const std::vector<std::string>& inputs);
    // The main book folder on the host; empty when it cannot be made.
    std::filesystem::path MainFolder();

    BackWnd& window_;
    LibraryListWnd& list_;
    Device& device_;
    HomeButton focused_ = HomeButton::None;
    bool dragUsable_ = false;  // what the drag over the window carries
    QShortcut* open_ = nullptr;
};

}  // namespace inkvista
