#include "platform/DosAttrib.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "platform/ByteOrder.h"

namespace inkvista {

namespace {

constexpr uint32_t kAttribValid = 0x1;

void Append16(std::vector<uint8_t>& out, uint16_t v) {
    uint8_t bytes[2];
    StoreLE16(bytes, v);
    out.insert(out.end(), bytes, bytes + 2);
}

size_t AlignUp(size_t n, size_t alignment) {
    return (n + alignment - 1) / alignment * alignment;
}

// Where a version keeps its attributes. `nameAt` is nonzero for the one
// version that ends in a NUL-terminated name.
struct InfoLayout {
    size_t size = 0;  // without the name
    size_t attribAt = 0;
    bool hasValidFlags = false;
    size_t nameAt = 0;
};

std::optional<InfoLayout> LayoutOf(uint16_t version) {
    switch (version) {
        case 1:
            return InfoLayout{40, 0, false, 0};
        case 2:
            return InfoLayout{52, 4, false, 52};
        case 3:
            return InfoLayout{44, 4, true, 0};
        case 4:
            return InfoLayout{24, 4, true, 0};
        case 5:
            return InfoLayout{16, 4, true, 0};
        default:
            return std::nullopt;
    }
}

int HexDigit(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "0x" and one to eight hex digits.
std::optional<uint32_t> ParseHexText(std::span<const uint8_t> text) {
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' ||
        (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
    uint32_t bits = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0) return std::nullopt;
        bits = (bits << 4) | static_cast<uint32_t>(digit);
    }
    return bits;
}

struct Parsed {
    uint32_t attributes = 0;
    size_t textLength = 0;  // the hex text, without its NUL
    bool terminated = false;
    bool record = false;
    uint16_t version = 0;
    size_t infoAt = 0;
    InfoLayout layout;
};

std::optional<Parsed> ParseRecord(std::span<const uint8_t> value, Parsed p) {
    p.record = true;
    const size_t versionAt = AlignUp(p.textLength + 1, 2);
    if (value.size() < versionAt + 4) return std::nullopt;
    p.version = LoadLE16(&value[versionAt]);
    if (LoadLE16(&value[versionAt + 2]) != p.version) return std::nullopt;
    const auto layout = LayoutOf(p.version);
    if (!layout) return std::nullopt;
    p.layout = *layout;
    p.infoAt = AlignUp(versionAt + 4, 4);
    if (value.size() < p.infoAt + p.layout.size) return std::nullopt;
    if (p.layout.nameAt != 0) {
        const auto name = value.subspan(p.infoAt + p.layout.nameAt);
        if (std::find(name.begin(), name.end(), 0) == name.end()) return std::nullopt;
    }
    p.attributes = LoadLE32(&value[p.infoAt + p.layout.attribAt]);
    return p;
}

std::optional<Parsed> Parse(std::span<const uint8_t> value) {
    Parsed p;
    if (value.empty()) return p;
    const auto nul = std::find(value.begin(), value.end(), 0);
    p.textLength = static_cast<size_t>(nul - value.begin());
    if (nul != value.end() && p.textLength + 1 < value.size()) return ParseRecord(value, p);
    p.terminated = nul != value.end();
    const auto bits = ParseHexText(value.first(p.textLength));
    if (!bits) return std::nullopt;
    p.attributes = *bits;
    return p;
}

}  // namespace

std::optional<uint32_t> DecodeDosAttrib(std::span<const uint8_t> value) {
    const auto parsed = Parse(value);
    if (!parsed) return std::nullopt;
    return parsed->attributes;
}

std::optional<std::vector<uint8_t>> UpdateDosAttrib(std::span<const uint8_t> value,
                                                    uint32_t attributes, uint32_t mask) {
    const auto p = Parse(value);
    if (!p) return std::nullopt;
    const uint32_t bits = (p->attributes & ~mask) | (attributes & mask);
    if (!p->record) {
        if (bits == 0) return std::vector<uint8_t>();
        std::vector<uint8_t> text = EncodeDosAttribText(bits);
        if (p->terminated) text.push_back(0);
        return text;
    }
    std::vector<uint8_t> out;
    if (p->textLength > 0) out = EncodeDosAttribText(bits);
    out.push_back(0);
    out.resize(AlignUp(out.size(), 2), 0);
    Append16(out, p->version);
    Append16(out, p->version);
    out.resize(AlignUp(out.size(), 4), 0);
    const size_t infoAt = out.size();
    out.insert(out.end(), value.begin() + static_cast<std::ptrdiff_t>(p->infoAt), value.end());
    StoreLE32(&out[infoAt + p->layout.attribAt], bits);
    if (p->layout.hasValidFlags) StoreLE32(&out[infoAt], LoadLE32(&out[infoAt]) | kAttribValid);
    return out;
}

std::vector<uint8_t> EncodeDosAttribText(uint32_t attributes) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "0x%x", attributes);
    return std::vector<uint8_t>(text, text + length);
}

}  // namespace inkvista
