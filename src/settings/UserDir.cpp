#include "settings/UserDir.h"

#include <algorithm>
#include <vector>

namespace inkvista {

std::u16string_view UserDirText(const UserDir& dir) {
    const auto end = std::find(dir.begin(), dir.end(), u'\0');
    return std::u16string_view(dir.data(), static_cast<size_t>(end - dir.begin()));
}

bool SetUserDirText(UserDir& dir, std::u16string_view path) {
    dir.fill(0);
    if (path.size() >= dir.size()) return false;
    std::copy(path.begin(), path.end(), dir.begin());
    return true;
}

bool ReadUserDir(Device& device, UserDir& dir) {
    dir.fill(0);
    Registry& registry = device.registry();
    bool created = false;
    if (!registry.CreateKey(kRegistryKey, &created)) return false;
    if (created) {
        registry.SetString(kRegistryKey, kUserDirValue, std::vector<uint8_t>{0, 0});
        return true;
    }
    // A value larger than the buffer is not taken at all; one that fills it
    // without a terminator loses its last unit, which stays the terminator.
    const std::optional<std::u16string> text =
        registry.GetString(kRegistryKey, kUserDirValue, dir.size() - 1, dir.size() * 2);
    if (text) SetUserDirText(dir, *text);
    return true;
}

bool WriteUserDir(Device& device, const UserDir& dir) {
    Registry& registry = device.registry();
    if (!registry.KeyExists(kRegistryKey)) return false;
    std::vector<uint8_t> bytes(dir.size() * 2);
    for (size_t i = 0; i < dir.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(dir[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(dir[i] >> 8);
    }
    return registry.SetString(kRegistryKey, kUserDirValue, bytes);
}

bool CheckUserDir(Device& device, const UserDir& dir) {
    const std::u16string_view path = UserDirText(dir);
    if (path.empty()) return false;
    FindData found;
    FindHandle search = device.files().FindFirst(path, &found);
    const bool exists = search.IsValid();
    search.Close();
    return exists;
}

}  // namespace inkvista
