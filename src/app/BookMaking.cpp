#include "app/BookMaking.h"

#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <exception>
#include <filesystem>
#include <memory>
#include <utility>

#include "bookwriter/PackInto.h"
#include "platform/Win32.h"

namespace inkvista {

namespace {

namespace fs = std::filesystem;
namespace bw = bookwriter;

bw::PackInput InputNamed(const std::string& input) {
    std::error_code ec;
    bw::PackInput named;
    named.kind =
        fs::is_directory(input, ec) ? bw::PackInput::Kind::Folder : bw::PackInput::Kind::Archive;
    named.path = input;
    return named;
}

QString NameOf(const std::string& path) {
    return QString::fromStdString(fs::path(path).lexically_normal().filename().string());
}

// A book made although Cancel came (nothing was at its name before) goes
// again, as if Cancel had come in time.
void DropIfMade(MadeBook* made) {
    if (made->outcome != MadeBook::Outcome::Made) return;
    std::error_code ec;
    fs::remove(made->book, ec);
    made->outcome = MadeBook::Outcome::Cancelled;
}

MadeBook MakeOne(const std::string& input, const std::string& folder,
                 const std::atomic<bool>& cancel,
                 const std::function<void(const bw::PackProgress&)>& progress) {
    MadeBook made;
    made.input = input;
    // pack --into with no option chosen.
    bw::PackOptions options;
    options.jobs = 0;
    const bw::PackGiven given;
    bw::SettleDefaults(given, &options);
    options.progress = progress;
    const bw::IntoRequest request{input, folder, false, [&cancel] { return cancel.load(); }, {}};
    switch (bw::PackInto(request, options, given, &made.book, &made.error)) {
        case bw::IntoOutcome::Made:
            made.outcome = MadeBook::Outcome::Made;
            break;
        case bw::IntoOutcome::Exists:
            made.outcome = MadeBook::Outcome::Exists;
            break;
        case bw::IntoOutcome::Cancelled:
            made.outcome = MadeBook::Outcome::Cancelled;
            break;
        case bw::IntoOutcome::Picture:
        case bw::IntoOutcome::NotUsable:
        case bw::IntoOutcome::Failed:
            made.outcome = MadeBook::Outcome::Failed;
            break;
    }
    // Cancel pressed while the last page went in.
    if (cancel.load()) DropIfMade(&made);
    return made;
}

}  // namespace

std::string BookNameFor(const std::string& input) {
    return bw::IntoBookName(InputNamed(input), false);
}

BookMakingDialog::BookMakingDialog(QWidget* owner, std::vector<std::string> inputs,
                                   std::string folder)
    : TemplateDialog(owner, kBookMakingTemplateId, QStringLiteral("Make Book"), 132, 62),
      inputs_(std::move(inputs)),
      folder_(std::move(folder)) {
    text_ = AddText(kBookMakingTextId, QString(), 5, 5, 122, 20);
    auto bar = std::make_unique<QProgressBar>(this);
    bar->setTextVisible(false);
    SetControlId(bar.get(), kBookMakingBarId);
    Place(bar.get(), 5, 28, 122, 9);
    bar_ = Keep(std::move(bar));
    cancelButton_ = AddButton(kBookMakingCancelId, QStringLiteral("Cancel"), 36, 43, 60, 14, true);
    connect(cancelButton_, &QPushButton::clicked, this, &BookMakingDialog::reject);
    ShowProgress(0, 0, 0);
}

BookMakingDialog::~BookMakingDialog() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

void BookMakingDialog::showEvent(QShowEvent* event) {
    TemplateDialog::showEvent(event);
    // From the dialog's own event loop, once it is up.
    if (!started_) QMetaObject::invokeMethod(this, &BookMakingDialog::Start, Qt::QueuedConnection);
    started_ = true;
}

void BookMakingDialog::Start() {
    worker_ = std::thread([this] { Work(); });
}

void BookMakingDialog::Work() {
    std::vector<MadeBook> results;
    for (size_t i = 0; i < inputs_.size(); ++i) {
        if (cancel_) {
            results.push_back({inputs_[i], {}, MadeBook::Outcome::Cancelled, {}});
            continue;
        }
        QMetaObject::invokeMethod(
            this, [this, i] { ShowProgress(i, 0, 0); }, Qt::QueuedConnection);
        const auto progress = [this, i](const bw::PackProgress& p) {
            QMetaObject::invokeMethod(
                this,
                [this, i, done = p.pictures, total = p.total] { ShowProgress(i, done, total); },
                Qt::QueuedConnection);
        };
        try {
            results.push_back(MakeOne(inputs_[i], folder_, cancel_, progress));
        } catch (const std::exception& e) {
            results.push_back({inputs_[i], {}, MadeBook::Outcome::Failed, e.what()});
        }
    }
    QMetaObject::invokeMethod(
        this, [this, results = std::move(results)]() mutable { Finished(std::move(results)); },
        Qt::QueuedConnection);
}

void BookMakingDialog::ShowProgress(size_t input, size_t pictures, size_t total) {
    if (inputs_.empty()) return;
    QString text = NameOf(inputs_[input]);
    if (inputs_.size() > 1)
        text += QStringLiteral(" (%1 of %2)").arg(input + 1).arg(inputs_.size());
    if (total > 0) text += QStringLiteral("\npage %1 of %2").arg(pictures).arg(total);
    text_->setText(text);
    bar_->setRange(0, static_cast<int>(total));
    bar_->setValue(static_cast<int>(pictures));
}

void BookMakingDialog::Finished(std::vector<MadeBook> results) {
    if (worker_.joinable()) worker_.join();
    // Cancel pressed after the last book went in but before its news came
    // here: the user still saw the dialog working, so Cancel still holds.
    if (cancel_) {
        for (MadeBook& made : results) DropIfMade(&made);
    }
    results_ = std::move(results);
    done(IDOK);
}

void BookMakingDialog::reject() {
    // The work stops at its next picture; the dialog closes when it has.
    cancel_ = true;
    cancelButton_->setEnabled(false);
}

}  // namespace inkvista
