#include "models/HiddenBooks.h"

#include <algorithm>
#include <vector>

#include "platform/Win32.h"

namespace inkvista {

std::u16string_view PasswordText(const Password& password) {
    const auto end = std::find(password.begin(), password.end(), u'\0');
    return std::u16string_view(password.data(), static_cast<size_t>(end - password.begin()));
}

void SetPasswordText(Password& password, std::u16string_view text) {
    password.fill(u'\0');
    const size_t length = std::min(text.size(), kPasswordMaxLength);
    std::copy_n(text.begin(), length, password.begin());
}

bool LoadPassword(Device& device, Password& password) {
    password.fill(u'\0');
    Registry& registry = device.registry();
    bool created = false;
    if (!registry.CreateKey(kRegistryKey, &created)) return false;
    if (created) {
        registry.SetString(kRegistryKey, kPasswordValue, {0, 0});
        return true;
    }
    // At most eight units are taken, so the last one stays the terminator.
    const auto text = registry.GetString(kRegistryKey, kPasswordValue, password.size() - 1);
    if (text) std::copy(text->begin(), text->end(), password.begin());
    return true;
}

bool StorePassword(Device& device, const Password& password) {
    Registry& registry = device.registry();
    if (!registry.KeyExists(kRegistryKey)) return false;
    // The whole buffer: what follows the terminator is zero.
    Password stored{};
    SetPasswordText(stored, PasswordText(password));
    std::vector<uint8_t> bytes(stored.size() * 2);
    for (size_t i = 0; i < stored.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(stored[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(stored[i] >> 8);
    }
    return registry.SetString(kRegistryKey, kPasswordValue, bytes);
}

PasswordChange CheckPasswordChange(const Password& oldPassword, std::u16string_view typedOld,
                                   std::u16string_view typedNew, std::u16string_view confirm) {
    if (typedOld != PasswordText(oldPassword)) return PasswordChange::IncorrectOld;
    if (typedNew != confirm) return PasswordChange::DifferentTexts;
    return PasswordChange::Accepted;
}

namespace {

// Deletes the hidden books a pattern like "\Folder\*.cmb" lists.
int DeleteHiddenMatches(Device& device, const std::u16string& folder, std::u16string_view kind) {
    FileSystem& files = device.files();
    std::vector<std::u16string> doomed;
    FindData found;
    FindHandle search = files.FindFirst(folder + u"\\*" + std::u16string(kind), &found);
    if (!search) return 0;
    do {
        if ((found.attributes & FILE_ATTRIBUTE_HIDDEN) && !found.IsDirectory()) {
            doomed.push_back(folder + u"\\" + found.name);
        }
    } while (files.FindNext(search, &found));
    search.Close();
    int deleted = 0;
    for (const std::u16string& path : doomed) {
        if (files.GetAttributes(path) & FILE_ATTRIBUTE_READONLY) {
            files.SetAttributes(path, FILE_ATTRIBUTE_HIDDEN);
        }
        if (files.DeleteFile(path)) ++deleted;
    }
    return deleted;
}

int DeleteHiddenIn(Device& device, const std::u16string& folder) {
    return DeleteHiddenMatches(device, folder, u".cmb") +
           DeleteHiddenMatches(device, folder, u".cxb");
}

}  // namespace

int DeleteHiddenBooks(Device& device, const BookFolders& folders) {
    int deleted = 0;
    for (const FolderSlot slot : kFolderSlots) {
        if (!folders.Searched(slot)) continue;
        std::u16string folder = folders.PathOf(slot);
        folder.pop_back();
        deleted += DeleteHiddenIn(device, folder);
    }
    return deleted;
}

}  // namespace inkvista
