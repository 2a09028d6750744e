// What the list does with the stylus, Enter and the popup commands.
#include "models/LibraryModel.h"

namespace inkvista {

namespace {

constexpr std::u16string_view kDeleteQuestion = u"Do you really want to delete this file ?";

}  // namespace

void LibraryModel::Tap(const RowHit& hit) {
    if (hit.row >= 0 && hit.row < static_cast<int32_t>(entries_.size())) {
        currentEntry_ = hit.row;
        holdTimer_ =
            device_.timers().SetTimer(this, kHoldTimerId, kHoldTimeMs, [this] { OnHoldTimer(); });
    }
    selectedIndex_ = hit.row >= 0 ? hit.row : hit.pastLastTested;
}

void LibraryModel::CancelHold() {
    if (holdTimer_ == 0) return;
    device_.timers().KillTimer(this, holdTimer_);
    holdTimer_ = 0;
}

void LibraryModel::RightClick(const RowHit& hit) {
    Tap(hit);
    if (holdTimer_ != 0) OnHoldTimer();
}

void LibraryModel::OnHoldTimer() {
    CancelHold();
    host_.PostPopupMessage();
}

bool LibraryModel::DoubleTap(const RowHit& hit) {
    CancelHold();
    if (hit.row < 0 || hit.row >= static_cast<int32_t>(entries_.size())) return false;
    if (hit.row != selectedIndex_) {
        selectedIndex_ = hit.row;
        return false;
    }
    currentEntry_ = hit.row;
    OpenCurrent();
    return true;
}

void LibraryModel::Enter(int32_t selectedRow) {
    if (selectedRow < 0 || selectedRow >= static_cast<int32_t>(entries_.size())) return;
    currentEntry_ = selectedRow;
    OpenCurrent();
    selectedIndex_ = selectedRow;
}

std::vector<std::pair<int, std::u16string>> LibraryModel::PopupItems() const {
    // The setting as it is now, not as the last refresh saw it.
    const BookEntry* current = currentEntry();
    const bool makeVisible = settings_.showHiddenFiles && current && current->hidden;
    return {{kCommandInfo, u"Info"},
            {kCommandOpen, u"Open"},
            {kCommandDelete, u"Delete"},
            {kCommandHide, makeVisible ? u"Make Visible" : u"Hide"}};
}

void LibraryModel::Command(int id) {
    if (!currentEntry()) return;
    switch (id) {
        case kCommandInfo:
            ShowBookInfo();
            break;
        case kCommandOpen:
            OpenCurrent();
            break;
        case kCommandDelete:
            DeleteCurrent();
            break;
        case kCommandHide:
            HideCurrent();
            break;
        default:
            break;
    }
}

void LibraryModel::ShowBookInfo() {
    const BookEntry* current = currentEntry();
    ListBookInfo info;
    if (const char16_t* failure =
            ReadListBookInfo(device_.files(), current->folderPath, current->fileName,
                             settings_.textConversion, &info)) {
        host_.ShowMessage(failure);
    } else {
        host_.ShowBookInfo(info);
    }
}

void LibraryModel::OpenCurrent() {
    const BookEntry* current = currentEntry();
    if (!current) return;
    openRequest_.fileName = current->fileName;
    openRequest_.bookmarkPage = current->bookmarkPage;
    openRequest_.slot = current->slot;
    openRequest_.kind = current->kind;
    host_.OpenRequestedBook();
}

void LibraryModel::HideCurrent() {
    const BookEntry* current = currentEntry();
    // Exactly one attribute: a read-only or archive bit the file had goes.
    device_.files().SetAttributes(current->folderPath + current->fileName,
                                  current->hidden ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_HIDDEN);
    selectedIndex_ = 0;
    host_.RefreshLibrary();
}

void LibraryModel::DeleteCurrent() {
    // The book asked about, even if a refresh comes while the question is up.
    const std::u16string path = currentEntry()->folderPath + currentEntry()->fileName;
    if (!host_.Confirm(kDeleteQuestion)) return;
    FileSystem& files = device_.files();
    // A read-only book cannot be deleted, so it does not go to the trash
    // either; the refresh lists it again.
    const uint32_t attributes = files.GetAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY)) {
        const auto host = files.mapper().Resolve(path);
        if (!host || !host_.MoveToTrash(*host)) files.DeleteFile(path);
    }
    selectedIndex_ = 0;
    host_.RefreshLibrary();
}

}  // namespace inkvista
