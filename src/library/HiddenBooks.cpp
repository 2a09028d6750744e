#include "library/HiddenBooks.h"

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
    const auto value = registry.GetValue(kRegistryKey, kPasswordValue);
    if (!value || value->type != REG_SZ) return true;
    // At most 18 bytes are taken; the last unit stays the terminator so an
    // eight-character password without its zero cannot run past the buffer.
    const size_t units = std::min(value->data.size() / 2, password.size() - 1);
    for (size_t i = 0; i < units; ++i) {
        password[i] = static_cast<char16_t>(value->data[2 * i] | (value->data[2 * i + 1] << 8));
    }
    return true;
}

}  // namespace inkvista
