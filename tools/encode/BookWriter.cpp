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

size_t RecordSize(const PagePlan& page) {
    return page.record == "XC" ? 72 : 42;
}

std::vector<uint8_t> BuildPage(const PagePlan& page) {
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
    if (grey) out.resize(out.size() + size_t{page.skipWords} * 2, 0);
    out.insert(out.end(), page.palette.begin(), page.palette.end());
    if (grey) out.resize(out.size() + size_t{page.height} * 2, 0);  // row table, never read
    out.insert(out.end(), page.packed.begin(), page.packed.end());
    return out;
}

uint64_t PageSize(const PagePlan& page) {
    uint64_t size = RecordSize(page) + page.palette.size() + page.packed.size();
    if (IsGrey(page)) size += uint64_t{page.skipWords} * 2 + uint64_t{page.height} * 2;
    return size;
}

uint64_t TableEnd(const BookPlan& plan) {
    return 120 + ExtensionSize(plan.kind) + 4 * uint64_t{plan.pages.size()};
}

}  // namespace

bool IsGrey(const PagePlan& page) {
    return page.record != "XC" || page.bitsPerPixel != 5;
}

std::vector<uint32_t> PageOffsets(const BookPlan& plan) {
    std::vector<uint32_t> offsets;
    uint64_t at = TableEnd(plan);
    for (const PagePlan& page : plan.pages) {
        offsets.push_back(static_cast<uint32_t>(at));
        at += PageSize(page);
    }
    return offsets;
}

uint64_t BookSize(const BookPlan& plan) {
    uint64_t size = TableEnd(plan);
    for (const PagePlan& page : plan.pages) size += PageSize(page);
    return size;
}

namespace {

// Header, header extension and page offset table.
std::vector<uint8_t> BuildFront(const BookPlan& plan) {
    const size_t ext = ExtensionSize(plan.kind);
    std::vector<uint8_t> out(static_cast<size_t>(TableEnd(plan)), 0);
    const std::string magic = plan.magic.value_or(plan.kind == BookKind::Cmb ? "CB" : "XB");
    std::copy_n(magic.begin(), std::min<size_t>(2, magic.size()), out.begin());
    Put16(out, 26, plan.pageCountField.value_or(static_cast<uint16_t>(plan.pages.size())));
    PutText(out, 28, 32, plan.title);
    PutText(out, 60, 20, plan.chapter);
    PutText(out, 80, 20, plan.author);
    PutText(out, 100, 20, plan.publisher);
    if (plan.kind == BookKind::Cmb) {
        Put16(out, 154, plan.extentLimit);
    } else {
        Put16(out, 128, plan.variant);
        Put16(out, 130, plan.extentLimit);
    }
    const std::vector<uint32_t> offsets = PageOffsets(plan);
    for (size_t i = 0; i < offsets.size(); ++i) Put32(out, 120 + ext + 4 * i, offsets[i]);
    return out;
}

}  // namespace

std::vector<uint8_t> BuildBook(const BookPlan& plan) {
    std::vector<uint8_t> out = BuildFront(plan);
    for (const PagePlan& page : plan.pages) {
        std::vector<uint8_t> bytes = BuildPage(page);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

bool WriteBook(const std::string& path, const BookPlan& plan) {
    if (BookSize(plan) > kMaxBookSize) return false;
    const std::string temp = path + ".part";
    bool ok = false;
    {
        std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(temp.c_str(), "wb"), &std::fclose);
        if (!f) return false;
        auto put = [&](const std::vector<uint8_t>& bytes) {
            return bytes.empty() ||
                   std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
        };
        ok = put(BuildFront(plan));
        for (size_t i = 0; ok && i < plan.pages.size(); ++i) ok = put(BuildPage(plan.pages[i]));
        ok = ok && std::fflush(f.get()) == 0;
        ok = (std::fclose(f.release()) == 0) && ok;
    }
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return false;
    return std::fflush(f.get()) == 0;
}

}  // namespace inkvista::encode
