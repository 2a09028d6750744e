#include "models/ReaderModel.h"

#include <utility>
#include <vector>

#include "book/OpenBook.h"
#include "models/Json.h"

namespace inkvista {

ReaderModel::ReaderModel(Device& device, ReaderHost& host) : device_(device), host_(host) {}

ReaderModel::~ReaderModel() {
    if (autoScroll_.autoScrollOn || autoScroll_.autoScrollTimer != 0) StopAutoScroll();
    StopRepeatTimers();
}

bool ReaderModel::Open(const OpenRequest& request, const BookFolders& folders,
                       TextConversion conversion, const ViewOption& viewOption,
                       const KeyMap& keyMap) {
    if (open_) CloseBook();
    // A closed model holds no page buffers, so keeping its page is cheap.
    const PageImage pageBefore = image_;
    const ReadingPosition positionBefore = position_;
    const ViewSettings viewBefore = view_;
    const KeyMap keysBefore = keyMap_;
    if (!OpenBook(request.fileName, request.slot, request.kind, folders, conversion)) {
        return false;
    }
    view_ = ViewSettings::Of(viewOption);
    keyMap_ = keyMap;
    // A bookmark from an older edition of the book, or a damaged bookmark
    // file, may point past the last page: the book opens at its start.
    const bool inBook = request.bookmarkPage >= 0 && request.bookmarkPage < book_.pageCount;
    position_.currentPage = inBook ? request.bookmarkPage : 0;
    const PageError error = LoadPage();
    if (error == PageError::None) return true;

    TellPageFailure(error, u"File Open Failed");
    CloseBook();
    book_ = BookState{};
    image_ = pageBefore;
    position_ = positionBefore;
    view_ = viewBefore;
    keyMap_ = keysBefore;
    return false;
}

bool ReaderModel::OpenBook(std::u16string_view fileName, FolderSlot slot, BookKind kind,
                           const BookFolders& folders, TextConversion conversion) {
    const OpenBookError error =
        inkvista::OpenBook(device_.files(), book_, folders, fileName, slot, kind, conversion);
    open_ = error == OpenBookError::None;
    if (open_) {
        folders_ = folders;
    } else {
        book_ = BookState{};
        Tell(OpenBookMessage(error));
    }
    return open_;
}

PageError ReaderModel::LoadPage() {
    if (!open_) return PageError::NotInBook;
    const PageView view = PageViewOf(view_);
    PageImage next;
    uint64_t fileSize = 0;
    // A kept page stands only while the book file has the size it had when
    // the page was decoded: one cut short, replaced or gone is read again,
    // and fails as it would have.
    if (SparePage* spare = FindSpare(position_.currentPage, view);
        spare && spare->fileSize == BookFileSize()) {
        next = std::move(spare->image);
        fileSize = spare->fileSize;
        *spare = SparePage{};
    } else {
        // The page loads into a copy, so a page that fails leaves the one
        // shown whole: its pixels never meet the geometry of another page.
        next = ShownPageFields();
        const PageLoad load = ReadPage(device_.files(), book_, position_.currentPage, next, view);
        if (load.error != PageError::None) return load.error;
        fileSize = load.fileSize;
    }
    // Only a turn one page back says the reader goes backwards; after a
    // jump, as after opening, reading goes on forwards.
    if (position_.currentPage != shownPage_) {
        lastTurn_ = shownPage_ >= 0 && position_.currentPage == shownPage_ - 1 ? -1 : 1;
    }
    if (shownPage_ >= 0) KeepSpare(shownPage_, shownView_, shownFileSize_, std::move(image_));
    image_ = std::move(next);
    shownPage_ = position_.currentPage;
    shownView_ = view;
    shownFileSize_ = fileSize;
    // A new page is read from its top; turned, that is the bottom of the
    // turned image, which shows the stored page's left part.
    position_.scrollX = 0;
    const bool turned = image_.orientation == PixelOrientation::Landscape;
    position_.scrollY =
        turned && image_.viewHeight > kScreenHeight ? image_.viewHeight - kScreenHeight : 0;
    return PageError::None;
}

PageImage ReaderModel::ShownPageFields() {
    std::vector<uint8_t> shown = std::move(image_.pixels);
    image_.pixels.clear();
    PageImage fields = image_;
    image_.pixels = std::move(shown);
    return fields;
}

std::optional<uint64_t> ReaderModel::BookFileSize() {
    const File file =
        device_.files().Open(book_.bookPath, FileAccess::Read, FileCreation::OpenExisting);
    if (!file) return std::nullopt;
    return file.Size();
}

ReaderModel::SparePage* ReaderModel::FindSpare(int32_t page, PageView view) {
    for (SparePage& spare : spares_) {
        if (spare.page == page && spare.view == view) return &spare;
    }
    return nullptr;
}

void ReaderModel::KeepSpare(int32_t page, PageView view, uint64_t fileSize, PageImage&& image) {
    if (image.pixels.empty() || image.pixels.size() > kSparePageBytes) return;
    // The newer stays; the other slot's page goes.
    spares_[1] = std::move(spares_[0]);
    spares_[0] = SparePage{page, view, fileSize, std::move(image)};
}

void ReaderModel::PrepareNextTurn() {
    if (!open_ || shownPage_ < 0 || failure_ != PageError::None) return;
    if (image_.pixels.size() > kSparePageBytes) return;
    const int64_t next = int64_t{shownPage_} + lastTurn_;
    if (next < 0 || next >= book_.pageCount) return;
    const auto page = static_cast<int32_t>(next);
    const PageView view = PageViewOf(view_);
    // One kept already is checked against the book file at the turn.
    if (FindSpare(page, view)) return;
    PageImage ahead = ShownPageFields();
    const PageLoad load = ReadPage(device_.files(), book_, page, ahead, view);
    if (load.error == PageError::None) KeepSpare(page, view, load.fileSize, std::move(ahead));
}

void ReaderModel::ForgetSparePages() {
    for (SparePage& spare : spares_) spare = SparePage{};
}

void ReaderModel::CloseBook() {
    ForgetSparePages();
    shownPage_ = -1;
    std::vector<uint32_t>().swap(book_.pageOffsets);
    std::vector<uint8_t>().swap(image_.palette);
    std::vector<uint8_t>().swap(image_.pixels);
    open_ = false;
    // The bar stays as auto scroll left it.
    if (autoScroll_.autoScrollOn || autoScroll_.autoScrollTimer != 0) StopAutoScroll();
    StopRepeatTimers();
}

void ReaderModel::CloseAndReturn(bool keepPage) {
    CloseBook();
    host_.ReturnToLibrary(keepPage);
}

void ReaderModel::Tell(const char16_t* text) {
    if (text) host_.ShowMessage(text);
}

void ReaderModel::TellPageFailure(PageError error, const char16_t* then) {
    failure_ = error;
    Tell(PageErrorMessage(error));
    Tell(then);
    failure_ = PageError::None;
}

void ReaderModel::Redraw() {
    ++framesPainted_;
    host_.Redraw();
}

void ReaderModel::AnimationFrame() {
    ++framesPainted_;
    host_.AnimationFrame();
}

void ReaderModel::WriteState(JsonValue& viewer) const {
    viewer["open"] = open_;
    viewer["bookTitle"] = std::u16string_view(book_.bookTitle);
    viewer["currentPage"] = position_.currentPage;
    viewer["pageCount"] = book_.pageCount;
    viewer["scrollX"] = position_.scrollX;
    viewer["scrollY"] = position_.scrollY;
    viewer["viewWidth"] = image_.viewWidth;
    viewer["viewHeight"] = image_.viewHeight;
    viewer["menuShown"] = reading_.menuShown;
    viewer["jumpPanelShown"] = reading_.jumpPanelShown;
    viewer["jumpTarget"] = reading_.jumpTarget;
    viewer["jumpArrowLit"] = reading_.jumpArrowLit;
    viewer["litJumpArrow"] = static_cast<int>(reading_.litJumpArrow);
    viewer["pageButtonHeld"] = reading_.pageButtonHeld;
    viewer["heldPageButton"] = static_cast<int>(reading_.heldPageButton);
    viewer["lastPageNotice"] = reading_.lastPageNotice;
    viewer["autoScrollOn"] = autoScroll_.autoScrollOn;
    viewer["autoScrollPeriodMs"] =
        autoScroll_.autoScrollTimer != 0 ? JsonValue(autoScroll_.periodMs) : JsonValue();
    viewer["savedBatteryTimeout"] = autoScroll_.savedBatteryTimeout;
    viewer["portrait"] = view_.portrait;
    viewer["trueColour"] = image_.trueColour();
    viewer["framesPainted"] = framesPainted_;
    const Power& power = device_.power();
    viewer["backlightEvents"] = power.EventsSet(kBacklightChangeEvent);
    viewer["idleResets"] = power.idleResets();
    viewer["screenSaverInhibited"] = power.awake();
}

}  // namespace inkvista
