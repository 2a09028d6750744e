// The registry file's text, parsed from memory: whatever is read is written
// back, what is written loads back with the same keys and values and is
// written again byte for byte the same. Then a value named and filled from
// the input is set (and another deleted), and the same must hold. The quick
// check of number lines must never accept what the full one refuses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryDocument.h"
#include "platform/RegistrySyntax.h"

namespace {

using inkvista::RegistryDocument;
using inkvista::RegistryValue;

void RoundTrip(const RegistryDocument& doc) {
    const std::string text = doc.Serialize();
    RegistryDocument again;
    std::string problem;
    if (!again.Parse(text, &problem)) std::abort();
    if (again.Serialize() != text) std::abort();
    if (!again.SameContent(doc)) std::abort();
}

// A little-endian u16 name from `size` bytes at `data`.
std::u16string Name(const uint8_t* data, size_t size) {
    std::u16string name;
    for (size_t i = 0; i + 1 < size; i += 2) name.push_back(char16_t(data[i] | data[i + 1] << 8));
    return name;
}

void CheckQuickLines(std::string_view text) {
    using namespace inkvista::regsyntax;
    while (!text.empty()) {
        const size_t lf = text.find('\n');
        const std::string_view line = Trim(text.substr(0, lf));
        ValueLine parts;
        if (IsPlainNumberLine(line) &&
            (SplitValueLine(line, &parts) || !ReadName(parts.name, nullptr) ||
             !ReadValue(parts.value, nullptr))) {
            std::abort();
        }
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckQuickLines(std::string_view(reinterpret_cast<const char*>(data), size));
    RegistryDocument doc;
    std::string problem;
    if (!doc.Parse(std::string(reinterpret_cast<const char*>(data), size), &problem)) return 0;
    RoundTrip(doc);

    // The input's last bytes as a change: a name length, a type, a name and
    // data.
    if (size < 4) return 0;
    const size_t nameBytes = data[size - 1] % 32;
    const uint32_t type = data[size - 2] % 8;
    const size_t dataBytes = data[size - 3] % 64;
    if (nameBytes + dataBytes + 3 > size) return 0;
    const uint8_t* tail = data + size - 3 - nameBytes - dataBytes;
    const std::u16string name = Name(tail, nameBytes);
    const RegistryValue value{type,
                              std::vector<uint8_t>(tail + nameBytes, tail + nameBytes + dataBytes)};
    const std::u16string key = (type & 1) ? u"" : u"\\Software\\Quillmark\\InkVISTA";
    if (!doc.CreateKey(key, nullptr) || !doc.SetValue(key, name, value)) std::abort();
    doc.DeleteValue(key, Name(data, nameBytes / 2));
    RoundTrip(doc);
    return 0;
}
