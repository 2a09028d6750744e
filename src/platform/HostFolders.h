// Reaching a host file from the device: a book named on the desktop's
// command line may lie anywhere on the host.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Device.h"

namespace inkvista {

// Device paths holding a folder stay this short, so that a book name still
// fits behind them within MAX_PATH.
inline constexpr size_t kMaxReachedFolderUnits = 200;

// The device path ("\A\B", never "\" alone) of the host folder `hostFolder`:
// inside the documents folder or a card it is reached through that mount,
// else inside the root directly, when the path resolves back to the same
// folder. Otherwise (outside the root, the root itself, a name the device
// forbids, a path too long) the folder is mounted for the run under its own
// name, or "Book Folder" when that cannot be used, with " (2)", " (3)", …
// added while the name is taken. nullopt when the folder is missing.
std::optional<std::u16string> ReachHostFolder(Device& device,
                                              const std::filesystem::path& hostFolder);

}  // namespace inkvista
