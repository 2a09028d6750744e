#include "models/HiddenBooks.h"

#include <algorithm>

#include "settings/UserDir.h"

namespace inkvista {

std::u16string_view PasswordText(const Password& password) {
    const auto end = std::find(password.begin(), password.end(), u'\0');
    return std::u16string_view(password.data(), static_cast<size_t>(end - password.begin()));
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

}  // namespace inkvista
