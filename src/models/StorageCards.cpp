#include "models/StorageCards.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace inkvista {

namespace {

uint8_t PathFound(Device& device, std::u16string_view path) {
    FindData found;
    FindHandle search = device.files().FindFirst(path, &found);
    if (!search) return 0;
    search.Close();
    return 1;
}

}  // namespace

CardFolders FindCardFolders(Device& device) {
    CardFolders cards;
    for (const std::u16string& name : device.shell().StorageCards()) {
        if (cards.count == 3) return cards;
        cards.names[static_cast<size_t>(cards.count++)] = name;
    }
    if (cards.count == 3) return cards;
    static constexpr std::u16string_view kFixedNames[] = {u"Storage Card", u"Storage Card2",
                                                          u"Storage Card3"};
    std::vector<std::u16string> present;
    for (std::u16string_view name : kFixedNames) {
        if (!PathFound(device, u"\\" + std::u16string(name))) continue;
        const auto known = cards.names.begin() + cards.count;
        if (std::find(cards.names.begin(), known, name) == known) present.emplace_back(name);
    }
    for (const std::u16string& name : present) {
        if (cards.count == 3) break;
        cards.names[static_cast<size_t>(cards.count++)] = name;
    }
    return cards;
}

uint8_t ProbeStorageCard(Device& device) {
    return PathFound(device, u"\\Storage Card");
}

uint8_t ProbeStorageCard2(Device& device) {
    return PathFound(device, u"\\Storage Card2");
}

}  // namespace inkvista
