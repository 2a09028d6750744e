#include "BookWriter.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace inkvista::encode {
namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v >> 8);
    out[at + 1] = static_cast<uint8_t>(v);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    Put16(out, at, v >> 16);
    Put16(out, at + 2, v & 0xFFFF);
}

void PutText(std::vector<uint8_t>& out, size_t at, size_t width, const std::string& text) {
    std::copy_n(text.begin(), std::min(width, text.size()), out.begin() + static_cast<long>(at));
}

size_t ExtensionSize(BookKind kind) {
    return kind == BookKind::Cmb ? 38 : 14;
}

size_t RecordSize(const PageSpec& page) {
    return page.record == "XC" ? 72 : 42;
}

std::vector<uint8_t> BuildPage(const PageSpec& page) {
    std::vector<uint8_t> out(RecordSize(page), 0);
    std::copy_n(page.record.begin(), std::min<size_t>(2, page.record.size()), out.begin());
    const uint32_t packedSize =
        page.packedSizeField.value_or(static_cast<uint32_t>(page.packed.size()));
    const auto paletteCount = static_cast<uint16_t>(page.palette.size() / 3);
    if (page.record == "XC") {
        Put32(out, 20, page.width);
        Put32(out, 24, page.height);
        Put16(out, 66, page.bitsPerPixel);
        Put32(out, 16, packedSize);
        Put16(out, 68, page.skipWords);
        Put16(out, 70, paletteCount);
        Put16(out, 32, page.field32);
    } else {
        Put32(out, 22, page.width);
        Put32(out, 26, page.height);
        Put16(out, 30, page.bitsPerPixel);
        Put32(out, 34, packedSize);
        Put16(out, 38, page.skipWords);
        Put16(out, 40, paletteCount);
    }
    const bool grey = IsGrey(page);
    if (grey) out.resize(out.size() + page.skipWords * 2u, 0);
    out.insert(out.end(), page.palette.begin(), page.palette.end());
    if (grey) out.resize(out.size() + page.height * 2u, 0);  // row table, never read
    out.insert(out.end(), page.packed.begin(), page.packed.end());
    return out;
}

}  // namespace

bool IsGrey(const PageSpec& page) {
    return page.record != "XC" || page.bitsPerPixel != 5;
}

std::vector<uint32_t> PageOffsets(const BookSpec& spec) {
    std::vector<uint32_t> offsets;
    size_t at = 120 + ExtensionSize(spec.kind) + 4 * spec.pages.size();
    for (const PageSpec& page : spec.pages) {
        offsets.push_back(static_cast<uint32_t>(at));
        at += BuildPage(page).size();
    }
    return offsets;
}

std::vector<uint8_t> BuildBook(const BookSpec& spec) {
    const size_t ext = ExtensionSize(spec.kind);
    std::vector<uint8_t> out(120 + ext + 4 * spec.pages.size(), 0);
    const std::string magic = spec.magic.value_or(spec.kind == BookKind::Cmb ? "CB" : "XB");
    std::copy_n(magic.begin(), std::min<size_t>(2, magic.size()), out.begin());
    Put16(out, 26, spec.pageCountField.value_or(static_cast<uint16_t>(spec.pages.size())));
    PutText(out, 28, 32, spec.title);
    PutText(out, 60, 20, spec.chapter);
    PutText(out, 80, 20, spec.author);
    PutText(out, 100, 20, spec.publisher);
    if (spec.kind == BookKind::Cmb) {
        Put16(out, 154, spec.extentLimit);
    } else {
        Put16(out, 128, spec.variant);
        Put16(out, 130, spec.extentLimit);
    }
    size_t at = 120 + ext + 4 * spec.pages.size();
    for (size_t i = 0; i < spec.pages.size(); ++i) {
        Put32(out, 120 + ext + 4 * i, static_cast<uint32_t>(at));
        std::vector<uint8_t> page = BuildPage(spec.pages[i]);
        out.insert(out.end(), page.begin(), page.end());
        at += page.size();
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return false;
    return std::fflush(f.get()) == 0;
}

}  // namespace inkvista::encode
