// The 48-byte option file: ViewOption (16 bytes) followed by KeyMap (32 bytes),
// no header, in the program folder of the personal documents folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Device.h"
#include "settings/ViewOption.h"

namespace inkvista {

constexpr size_t kOptionDataSize = 48;

// "<personal folder>\InkVista\InkVISTA.opt".
std::u16string OptionFilePath(Device& device);

// The file image of both records.
std::array<uint8_t, kOptionDataSize> OptionDataBytes(const ViewOption& view, const KeyMap& keys);

// Fills both records from the first `size` bytes of an option file image.
// Whatever a short image does not hold keeps its default, a field at a time:
// a number cut by the end of the image is not taken in part.
void ParseOptionData(const uint8_t* bytes, size_t size, ViewOption& view, KeyMap& keys);

// Why the option file could not be read or written.
enum class OptionFileError {
    None,
    Load,   // "Error on Loading Option Data"
    Write,  // "Error on Writing Option Data"
};

// The message that tells `error`; null for None.
const char16_t* OptionFileMessage(OptionFileError error);

// Fills both records from the option file, creating the file with the
// defaults at the first start (whole or not at all, never over a file that
// appeared meanwhile). Temporaries of a crashed save are removed first. On
// failure (Load) the records hold the defaults; None when the records came
// from (or went to) the file. The caller tells the user, and sets its text
// conversion from `view` afterwards.
OptionFileError LoadOptions(Device& device, ViewOption& view, KeyMap& keys);

// Puts both records over the first 48 bytes of the existing option file,
// keeping whatever follows them; never creates it. The file is replaced
// whole (AtomicFile), so a crash leaves the old settings or the new ones. A
// file without the owner's write permission is read-only. On failure (Write
// when the file is missing or the write fails, Load when it cannot be opened
// otherwise) the file is as it was. The caller tells the user, and sets its
// text conversion from `view` again after a success.
OptionFileError SaveOptions(Device& device, const ViewOption& view, const KeyMap& keys);

}  // namespace inkvista
