// The desktop's trash, for the books the list deletes.
#pragma once

#include <filesystem>

namespace inkvista {

// Moves `hostFile` itself into the trash of its volume (the user's own trash
// on the home volume, a ".Trash-UID" folder on a card), whatever bytes its
// name holds. False when the volume has no trash or the move fails; the
// file is then where it was.
bool MoveToDesktopTrash(const std::filesystem::path& hostFile);

}  // namespace inkvista
