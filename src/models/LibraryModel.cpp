#include "models/LibraryModel.h"

#include "models/Json.h"

namespace inkvista {

LibraryModel::LibraryModel(Device& device) : device_(device) {}

RefreshReport LibraryModel::Refresh() {
    documentsRoot_ = device_.shell().PersonalFolder();
    cards_ = FindCardFolders(device_);

    RefreshReport report;
    if (settings_.isLoox) {
        report.cardsProbed = true;
        report.card1Present = ProbeStorageCard(device_);
        report.card2Present = ProbeStorageCard2(device_);
    }
    return report;
}

BookFolders LibraryModel::Folders() const {
    BookFolders folders;
    folders.documentsRoot = documentsRoot_;
    for (int i = 0; i < cards_.count && i < 3; ++i) {
        folders.cardNames[i] = cards_.names[static_cast<size_t>(i)];
    }
    folders.userDir = std::u16string(UserDirText(settings_.userDir));
    return folders;
}

void LibraryModel::WriteState(JsonValue& list) const {
    list["selectedIndex"] = selectedIndex_;
}

}  // namespace inkvista
