// Hidden books and the password that guards them: the password kept in the
// registry as the value `Password`, the checks of the password dialogs, and
// the removal of every hidden book after a password reset.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "book/BookFolders.h"
#include "platform/Device.h"
#include "settings/UserDir.h"

namespace inkvista {

inline constexpr std::u16string_view kPasswordValue = u"Password";

// Eight characters and a terminating zero (18 bytes in the registry).
using Password = std::array<char16_t, 9>;
constexpr size_t kPasswordMaxLength = 8;

// The password up to its first zero unit (never past the buffer).
std::u16string_view PasswordText(const Password& password);
// Puts the first eight units of `text` into `password`, zero-filled.
void SetPasswordText(Password& password, std::u16string_view text);
// An empty password means that none is set.
inline bool PasswordSet(const Password& password) {
    return password[0] != u'\0';
}

// Zeroes `password`, then opens the program's key, creating it when missing.
// A new key gets an empty `Password` value; an existing one gives its value,
// at most 18 bytes, and the last unit always stays zero. Answers whether the
// key could be opened.
bool LoadPassword(Device& device, Password& password);

// Writes `password` to the existing key as a string of exactly 18 bytes (the
// units after its end are zero). The registry file stays private to the
// user. Answers whether it was written.
bool StorePassword(Device& device, const Password& password);

// The Password Setting dialog's check of what was typed, in its order.
enum class PasswordChange {
    Accepted,        // the new text becomes the password (empty: none)
    IncorrectOld,    // "Incorrect old password"
    DifferentTexts,  // "Passwords are different"
};
PasswordChange CheckPasswordChange(const Password& oldPassword, std::u16string_view typedOld,
                                   std::u16string_view typedNew, std::u16string_view confirm);

// Deletes every .cmb and .cxb book with the hidden attribute in each folder
// the library searches (`folders`: those of the last library refresh, with
// the main window's user folder). A hidden book that is read-only loses that
// attribute first, so that no hidden book outlives the reset. Failures are
// silent; answers how many books went.
int DeleteHiddenBooks(Device& device, const BookFolders& folders);

}  // namespace inkvista
