#include "models/ReaderModel.h"

#include <vector>

#include "book/OpenBook.h"
#include "book/PageDecoder.h"
#include "models/Json.h"

namespace inkvista {

ReaderModel::ReaderModel(Device& device, ReaderHost& host) : device_(device), host_(host) {}

bool ReaderModel::Open(const OpenRequest& request, const BookFolders& folders,
                       TextConversion conversion, const ViewOption& viewOption,
                       const KeyMap& keyMap) {
    if (open_) CloseBook();
    // A closed model holds no page buffers, so keeping its page is cheap.
    const PageImage pageBefore = image_;
    const ViewOption viewBefore = viewOption_;
    const KeyMap keysBefore = keyMap_;
    if (!OpenBook(request.fileName, request.slotNumber, request.kind, folders, conversion)) {
        return false;
    }
    viewOption_ = viewOption;
    keyMap_ = keyMap;
    image_.currentPage = request.bookmarkPage;
    if (LoadPage()) return true;

    device_.messages().Show(u"File Open Failed");
    CloseBook();
    book_ = BookState{};
    image_ = pageBefore;
    viewOption_ = viewBefore;
    keyMap_ = keysBefore;
    return false;
}

bool ReaderModel::OpenBook(std::u16string_view fileName, int slotNumber, BookKind kind,
                           const BookFolders& folders, TextConversion conversion) {
    open_ = inkvista::OpenBook(device_, book_, folders, fileName, slotNumber, kind, conversion);
    if (!open_) book_ = BookState{};
    return open_;
}

bool ReaderModel::LoadPage() {
    return open_ && inkvista::LoadPage(device_, book_, image_, viewOption_);
}

void ReaderModel::CloseBook() {
    std::vector<uint32_t>().swap(book_.pageOffsets);
    std::vector<uint8_t>().swap(image_.palette);
    std::vector<uint8_t>().swap(image_.pixels);
    open_ = false;
    // The bar stays as auto scroll left it.
    autoScroll_.autoScrollOn = 0;
}

void ReaderModel::CloseAndReturn(bool keepPage) {
    CloseBook();
    host_.SwitchScreen(kListWindowId, keepPage);
}

void ReaderModel::ToggleAutoScroll() {
    autoScroll_.autoScrollOn = autoScroll_.autoScrollOn ? 0 : 1;
}

void ReaderModel::WriteState(JsonValue& viewer) const {
    viewer["open"] = open_;
    viewer["bookTitle"] = std::u16string_view(book_.bookTitle);
    viewer["currentPage"] = image_.currentPage;
    viewer["pageCount"] = book_.pageCount;
    viewer["scrollX"] = image_.scrollX;
    viewer["scrollY"] = image_.scrollY;
    viewer["viewWidth"] = image_.viewWidth;
    viewer["viewHeight"] = image_.viewHeight;
    viewer["menuShown"] = reading_.menuShown != 0;
    viewer["jumpPanelShown"] = reading_.jumpPanelShown != 0;
    viewer["jumpTarget"] = reading_.jumpTarget;
    viewer["lastPageNotice"] = reading_.lastPageNotice != 0;
    viewer["autoScrollOn"] = autoScroll_.autoScrollOn != 0;
    viewer["portrait"] = viewOption_.portrait != 0;
    viewer["trueColour"] = image_.trueColour != 0;
}

}  // namespace inkvista
