// Books made of comic archives and folders of pictures dropped on the
// window: the converter's library (tools/bookwriter) makes them in the main
// book folder with `inkvista-tool pack --into`'s defaults and names, on a
// thread of its own, while a dialog shows how far it has come and offers
// Cancel.
#pragma once

#include <QString>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ui/DialogControls.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace inkvista {

constexpr int kBookMakingTemplateId = 301;
constexpr int kBookMakingTextId = 1001;
constexpr int kBookMakingBarId = 1002;
constexpr int kBookMakingCancelId = 1003;

// What became of one input.
struct MadeBook {
    enum class Outcome { Made, Exists, Failed, Cancelled };
    std::string input;  // host path of the archive or folder
    std::string book;   // host path of the book it gives (empty when it never got a name)
    Outcome outcome = Outcome::Cancelled;
    std::string error;  // why, for Failed
};

// The name the converter gives the book of an archive or a folder.
std::string BookNameFor(const std::string& input);

// Makes one book of each input in `folder` (a host folder that exists),
// inputs in the order given, while it is shown (exec). Cancel, Escape or the
// close box stop it: the book being made is not left behind, nor its
// temporary, and the inputs after it are not started; the dialog closes
// once the work has stopped. Books already made stay.
class BookMakingDialog : public TemplateDialog {
    Q_OBJECT

  public:
    BookMakingDialog(QWidget* owner, std::vector<std::string> inputs, std::string folder);
    ~BookMakingDialog() override;

    // Every input's outcome once the dialog has closed.
    const std::vector<MadeBook>& results() const { return results_; }

    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Start();
    // On the worker thread.
    void Work();
    // Back on the UI thread.
    void ShowProgress(size_t input, size_t pictures, size_t total);
    void Finished(std::vector<MadeBook> results);

    std::vector<std::string> inputs_;
    std::string folder_;
    std::vector<MadeBook> results_;
    std::atomic<bool> cancel_{false};
    std::thread worker_;
    bool started_ = false;
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace inkvista
