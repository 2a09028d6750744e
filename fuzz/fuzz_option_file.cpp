// The option file's records from arbitrary bytes, as LoadOptions takes them
// from the file: nothing is read past the bytes given, whole fields are taken
// and the rest keep their defaults, and the records written back give the
// bytes read (but for the two reserved bytes, which are never taken).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "settings/OptionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    // An exactly sized copy, so that any read past it is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    ViewOption view;
    view.Assign(0x01010101, 0x0101, 7, 7);
    KeyMap keys;
    keys.entries.fill(77);
    ParseOptionData(bytes.data(), bytes.size(), view, keys);

    std::array<uint8_t, kOptionDataSize> expected = OptionDataBytes(ViewOption{}, KeyMap{});
    // The flag bytes one by one, every number only when the file holds it whole.
    for (size_t i = 0; i < 6 && i < size; ++i) expected[i] = data[i];
    for (size_t at = 8; at + 4 <= kOptionDataSize; at += 4) {
        if (size >= at + 4) {
            for (size_t i = at; i < at + 4; ++i) expected[i] = data[i];
        }
    }
    if (OptionDataBytes(view, keys) != expected) std::abort();
    return 0;
}
