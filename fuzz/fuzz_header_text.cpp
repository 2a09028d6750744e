// Header texts both ways. The input's first byte chooses a field width (1 to
// 32); the next `width` bytes are a header field, the rest is UTF-8 text to
// encode.
//   Reading: a text ends at its first NUL or its field's end and gives at
//   most one character per byte, never a NUL; the fixed-capacity form gives
//   a terminated prefix of it; in the Korean table mode every Hangul pair
//   gives its syllable.
//   Writing: text that encodes fits its field, holds no NUL, and reads back
//   as the same text; a field that reads without a replacement character
//   encodes again and reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "book/HangulTable.h"
#include "book/HeaderText.h"
#include "platform/Text.h"

namespace inkvista {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void CheckRead(const std::vector<uint8_t>& field, TextConversion conversion) {
    const size_t width = field.size();
    const size_t length = std::find(field.begin(), field.end(), 0) - field.begin();
    const std::u16string text = ConvertHeaderText(field.data(), width, conversion);
    if (text.size() > length || text.find(u'\0') != std::u16string::npos) std::abort();
    if (length > 0 && text.empty()) std::abort();

    for (size_t capacity : {width, width / 2}) {
        std::vector<char16_t> dest(capacity + 1, u'#');
        const size_t n = ConvertHeaderText(field.data(), width, dest.data(), capacity, conversion);
        if (n > capacity || dest[n] != 0 || n != std::min(text.size(), capacity) ||
            std::u16string_view(dest.data(), n) != std::u16string_view(text).substr(0, n))
            std::abort();
    }

    // Korean table mode: the text starts with the syllable of a leading pair.
    if (conversion == TextConversion::KoreanTable && length >= 2 && field[0] >= kHangulFirstLead &&
        field[0] <= kHangulLastLead && field[1] >= 0xA1 && field[1] <= 0xFE) {
        const char16_t syllable = HangulSyllable(field[0], field[1]);
        if (syllable < 0xAC00 || syllable > 0xD7A3 || text[0] != syllable) std::abort();
    }
}

void CheckWrite(std::string_view utf8, size_t width) {
    std::string bytes, error;
    if (!EncodeHeaderText(utf8, width, &bytes, &error)) {
        if (error.empty()) std::abort();
        return;
    }
    if (bytes.size() > width || bytes.find('\0') != std::string::npos) std::abort();
    const std::u16string back = ConvertHeaderText(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                  bytes.size(), TextConversion::System);
    if (back != Utf8ToUtf16(utf8)) std::abort();
}

void CheckReadWrite(const std::vector<uint8_t>& field) {
    const std::u16string text =
        ConvertHeaderText(field.data(), field.size(), TextConversion::System);
    if (text.find(kReplacement) != std::u16string::npos) return;
    std::string bytes, error;
    if (!EncodeHeaderText(Utf16ToUtf8(text), field.size(), &bytes, &error)) std::abort();
    const std::u16string again = ConvertHeaderText(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                   bytes.size(), TextConversion::System);
    if (again != text) std::abort();
}

}  // namespace
}  // namespace inkvista

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size < 1) return 0;
    const size_t width = std::min<size_t>(data[0] % 32 + 1, size - 1);
    // An exactly sized copy, so that any read past the field is caught.
    const std::vector<uint8_t> field(data + 1, data + 1 + width);
    if (!field.empty()) {
        CheckRead(field, TextConversion::System);
        CheckRead(field, TextConversion::KoreanTable);
        CheckReadWrite(field);
    }
    const std::string utf8(reinterpret_cast<const char*>(data + 1 + width), size - 1 - width);
    CheckWrite(utf8, data[0] % 32 + 1);
    return 0;
}
