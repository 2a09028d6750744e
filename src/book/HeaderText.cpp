#include "book/HeaderText.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "book/HangulTable.h"
#include "platform/ByteOrder.h"
#include "platform/Text.h"

namespace inkvista {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// One conversion descriptor per thread, opened on first use.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (IsOpen()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        return cd_;
    }

  private:
    iconv_t cd_;
};

Converter& Decoder() {
    thread_local Converter decoder("UTF-16LE", "CP949");
    return decoder;
}

Converter& Encoder() {
    thread_local Converter encoder("CP949", "UTF-8");
    return encoder;
}

size_t TextLength(const uint8_t* field, size_t width) {
    const void* nul = std::memchr(field, 0, width);
    return nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - field) : width;
}

// The system code page's conversion of `count` bytes, appended to `out`;
// every byte it cannot convert gives U+FFFD and the conversion goes on after
// it.
void DecodeSystem(const uint8_t* text, size_t count, std::u16string& out) {
    Converter& decoder = Decoder();
    if (!decoder.IsOpen()) {
        for (size_t i = 0; i < count; ++i)
            out.push_back(text[i] < 0x80 ? static_cast<char16_t>(text[i]) : kReplacement);
        return;
    }
    iconv_t cd = decoder.handle();
    // CP949 has no character outside the BMP: one byte gives at most one unit.
    std::vector<char> buffer(2 * count + 2);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text));
    size_t inLeft = count;
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        if ((errno != EILSEQ && errno != EINVAL) || outLeft < 2) break;
        StoreLE16(reinterpret_cast<uint8_t*>(outPtr), kReplacement);
        outPtr += 2;
        outLeft -= 2;
        // glibc's CP949 may report a bad pair at the very end having taken
        // both bytes: nothing is left to step over.
        if (inLeft == 0) break;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    const size_t produced = static_cast<size_t>(outPtr - buffer.data());
    for (size_t i = 0; i + 1 < produced; i += 2)
        out.push_back(LoadLE16(reinterpret_cast<const uint8_t*>(buffer.data() + i)));
}

void DecodeKoreanTable(const uint8_t* text, size_t count, std::u16string& out) {
    size_t i = 0;
    while (i < count) {
        const uint8_t lead = text[i];
        if (lead >= kHangulFirstLead && lead <= kHangulLastLead && i + 1 < count &&
            text[i + 1] >= kHangulFirstTrail) {
            const char16_t syllable = HangulSyllable(lead, text[i + 1]);
            if (syllable != 0) {
                out.push_back(syllable);
                i += 2;
            } else {
                out.push_back(kReplacement);  // lead byte before 0xFF: no entry
                i += 1;
            }
            continue;
        }
        const size_t before = out.size();
        DecodeSystem(text + i, 1, out);
        if (out.size() == before) out.push_back(kReplacement);
        i += 1;
    }
}

}  // namespace

size_t ConvertHeaderText(const uint8_t* field, size_t width, char16_t* dest, size_t capacity,
                         TextConversion conversion) {
    std::u16string text = ConvertHeaderText(field, width, conversion);
    const size_t n = std::min(text.size(), capacity);
    std::copy_n(text.begin(), n, dest);
    dest[n] = 0;
    return n;
}

std::u16string ConvertHeaderText(const uint8_t* field, size_t width, TextConversion conversion) {
    std::u16string out;
    const size_t count = TextLength(field, width);
    if (conversion == TextConversion::KoreanTable) {
        DecodeKoreanTable(field, count, out);
    } else {
        DecodeSystem(field, count, out);
    }
    return out;
}

void OpenCodePageConversion() {
    Decoder();
}

std::optional<std::u16string> DecodeCodePageStrictly(std::string_view bytes) {
    Converter& decoder = Decoder();
    if (!decoder.IsOpen() || bytes.empty()) return std::nullopt;
    iconv_t cd = decoder.handle();
    std::vector<char> buffer(2 * bytes.size() + 2);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    std::u16string out;
    for (const char* p = buffer.data(); p + 1 < outPtr; p += 2) {
        const char16_t unit = LoadLE16(reinterpret_cast<const uint8_t*>(p));
        if (unit < 0x20 || unit == 0x7F) return std::nullopt;
        out.push_back(unit);
    }
    return out;
}

bool EncodeHeaderText(std::string_view utf8, size_t fieldWidth, std::string* out,
                      std::string* error) {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (utf8.find('\0') != std::string_view::npos) return fail("text holds a NUL character");
    Converter& encoder = Encoder();
    if (!encoder.IsOpen()) return fail("the system has no CP949 converter");
    iconv_t cd = encoder.handle();
    // A character takes at most as many code-page bytes as UTF-8 bytes.
    std::vector<char> buffer(utf8.size() + 8);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        const int why = errno;
        size_t length = 0;
        const std::optional<char32_t> cp = DecodeUtf8(std::string_view(in, inLeft), &length);
        if (why == EILSEQ && cp) {
            char text[96];
            std::snprintf(text, sizeof text, "character U+%04lX is not in the Korean code page",
                          static_cast<unsigned long>(*cp));
            return fail(text);
        }
        if (why == EILSEQ || why == EINVAL) return fail("text is not valid UTF-8");
        return fail("text could not be converted");
    }
    const size_t produced = static_cast<size_t>(outPtr - buffer.data());
    if (produced > fieldWidth) {
        return fail("text needs " + std::to_string(produced) + " bytes; the field holds " +
                    std::to_string(fieldWidth));
    }
    if (out) out->assign(buffer.data(), produced);
    return true;
}

}  // namespace inkvista
