#include "settings/OptionFile.h"

#include <algorithm>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/ByteOrder.h"

namespace inkvista {
namespace {

constexpr char16_t kLoadError[] = u"Error on Loading Option Data";
constexpr char16_t kWriteError[] = u"Error on Writing Option Data";

void SetDefaults(ViewOption& view, KeyMap& keys) {
    view.AssignFrom(ViewOption{});
    keys = KeyMap{};
}

// Reads until `count` bytes are in or the file ends; answers how many came.
size_t ReadUpTo(File& file, uint8_t* buffer, size_t count) {
    size_t total = 0;
    while (total < count) {
        uint32_t got = 0;
        if (!file.Read(buffer + total, static_cast<uint32_t>(count - total), &got) || got == 0)
            break;
        total += got;
    }
    return total;
}

}  // namespace

std::u16string OptionFilePath(Device& device) {
    // The book folder under the spelling the option file has always been
    // looked for by; the file system does not tell the two apart.
    return device.shell().PersonalFolder() + u"\\InkVista\\InkVISTA.opt";
}

std::array<uint8_t, kOptionDataSize> OptionDataBytes(const ViewOption& view, const KeyMap& keys) {
    std::array<uint8_t, kOptionDataSize> out{};
    const auto v = view.ToBytes();
    const auto k = keys.ToBytes();
    std::copy(v.begin(), v.end(), out.begin());
    std::copy(k.begin(), k.end(), out.begin() + v.size());
    return out;
}

void ParseOptionData(const uint8_t* bytes, size_t size, ViewOption& view, KeyMap& keys) {
    // Start from the default images and lay over every field the file holds
    // whole.
    std::array<uint8_t, 16> v = ViewOption{}.ToBytes();
    std::copy_n(bytes, std::min<size_t>(size, 6), v.begin());
    if (size >= 12) std::copy_n(bytes + 8, 4, v.begin() + 8);
    if (size >= 16) std::copy_n(bytes + 12, 4, v.begin() + 12);

    KeyMap image;
    for (size_t i = 0; i < image.entries.size(); ++i) {
        const size_t at = 16 + 4 * i;
        if (size >= at + 4) image.entries[i] = LoadLE32(bytes + at);
    }

    // The records take the values as they are: no range check.
    view.Assign(LoadLE32(v.data()), LoadLE16(v.data() + 4), LoadLE32(v.data() + 8),
                LoadLE32(v.data() + 12));
    keys.Assign(image.entries.data());
}

namespace {

// The first start's file, made whole or not at all; a file that appeared
// meanwhile is left as it is.
bool CreateOptionFile(Device& device, const std::u16string& path) {
    uint32_t error = 0;
    const auto host = device.files().mapper().Resolve(path, &error);
    if (!host) return false;
    const auto bytes = OptionDataBytes(ViewOption{}, KeyMap{});
    AtomicFile file;
    if (!file.Begin(*host) || !file.Write(bytes.data(), 16) || !file.Write(bytes.data() + 16, 32) ||
        !file.CommitNew()) {
        return false;
    }
    // Made with the archive attribute; a file system that keeps no attributes
    // does not make the file any less made.
    device.files().SetAttributes(path, FILE_ATTRIBUTE_ARCHIVE);
    return true;
}

// The records over the first 48 bytes of the open `file`, whatever follows
// them kept, as one replacement of the whole file.
bool ReplaceOptionData(Device& device, const std::u16string& path, File& file,
                       const std::array<uint8_t, kOptionDataSize>& bytes) {
    uint32_t error = 0;
    const auto host = device.files().mapper().Resolve(path, &error);
    AtomicFile out;
    if (!host || !out.Begin(*host) || !out.Write(bytes.data(), 16) ||
        !out.Write(bytes.data() + 16, 32)) {
        return false;
    }
    if (file.Size() > kOptionDataSize) {
        if (!file.Seek(kOptionDataSize)) return false;
        std::vector<uint8_t> chunk(64 * 1024);
        for (;;) {
            uint32_t got = 0;
            if (!file.Read(chunk.data(), static_cast<uint32_t>(chunk.size()), &got)) return false;
            if (got == 0) break;
            if (!out.Write(chunk.data(), got)) return false;
        }
    }
    return out.Commit();
}

}  // namespace

const char16_t* OptionFileMessage(OptionFileError error) {
    switch (error) {
        case OptionFileError::Load:
            return kLoadError;
        case OptionFileError::Write:
            return kWriteError;
        case OptionFileError::None:
            break;
    }
    return nullptr;
}

OptionFileError LoadOptions(Device& device, ViewOption& view, KeyMap& keys) {
    FileSystem& files = device.files();
    const std::u16string path = OptionFilePath(device);
    uint32_t error = 0;
    if (const auto host = files.mapper().Resolve(path, &error)) RemoveStaleTemporaries(*host);
    File file = files.Open(path, FileAccess::Read, FileCreation::OpenExisting);
    if (!file) {
        error = files.LastError();
        SetDefaults(view, keys);
        if (error != ERROR_FILE_NOT_FOUND) return OptionFileError::Load;
        // First start: the file is made once with the defaults.
        if (!CreateOptionFile(device, path)) return OptionFileError::Load;
        SetDefaults(view, keys);
        return OptionFileError::None;
    }
    std::array<uint8_t, kOptionDataSize> bytes{};
    const size_t got = ReadUpTo(file, bytes.data(), bytes.size());
    file.Close();
    ParseOptionData(bytes.data(), got, view, keys);
    return OptionFileError::None;
}

OptionFileError SaveOptions(Device& device, const ViewOption& view, const KeyMap& keys) {
    FileSystem& files = device.files();
    const std::u16string path = OptionFilePath(device);
    // Opened as for writing in place, so a missing or read-only file is
    // refused as it always was; the new content then replaces it whole.
    File file = files.Open(path, FileAccess::ReadWrite, FileCreation::OpenExisting);
    if (!file) {
        return files.LastError() == ERROR_FILE_NOT_FOUND ? OptionFileError::Write
                                                         : OptionFileError::Load;
    }
    const bool ok = ReplaceOptionData(device, path, file, OptionDataBytes(view, keys));
    file.Close();
    // Settings that did not reach the file must not pass for saved.
    return ok ? OptionFileError::None : OptionFileError::Write;
}

}  // namespace inkvista
