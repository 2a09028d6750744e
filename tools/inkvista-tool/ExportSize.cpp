#include "ExportSize.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "book/PageRecord.h"
#include "book/Scaler.h"

namespace inkvista::tool {
namespace {

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return a + b < a ? UINT64_MAX : a + b;
}

// What one page's picture can take; 0 for a page the reader refuses.
uint64_t MostPageBytes(const PageRecord& record, PageEncoding encoding, const PageView& view,
                       bookwriter::ImageFormat format) {
    if (encoding != PageEncoding::GreyRuns && encoding != PageEncoding::PaletteColour) return 0;
    uint64_t w = record.width, h = record.height;
    if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX) return 0;
    if (Stride8(w) * h > kMaxPageBytes) return 0;
    if (!view.portrait) std::swap(w, h);
    int bytesPerPixel = 1;  // grey, or colour through its palette
    if (view.fitToWindow) {
        if (const std::optional<FitSize> fit =
                ComputeFitSize(static_cast<int32_t>(w), static_cast<int32_t>(h))) {
            w = static_cast<uint64_t>(fit->width);
            h = static_cast<uint64_t>(fit->height);
            if (encoding == PageEncoding::PaletteColour) bytesPerPixel = 3;
        }
    }
    return bookwriter::MaxImageFileSize(format, w, h, bytesPerPixel);
}

}  // namespace

std::optional<uint64_t> ParseByteSize(const std::string& text) {
    double value = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%lf%n", &value, &used) != 1 || used == 0 || value < 0 ||
        !std::isfinite(value))
        return std::nullopt;
    if (text.find_first_not_of("0123456789.") < static_cast<size_t>(used)) return std::nullopt;
    std::string unit = text.substr(static_cast<size_t>(used));
    for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (unit.ends_with("IB"))
        unit.resize(unit.size() - 2);
    else if (unit.ends_with("B"))
        unit.resize(unit.size() - 1);
    const std::string units = "KMGT";
    int shift = 0;
    if (unit.size() == 1 && units.find(unit[0]) != std::string::npos)
        shift = 10 * (static_cast<int>(units.find(unit[0])) + 1);
    else if (!unit.empty())
        return std::nullopt;
    const double bytes = std::ldexp(value, shift);
    if (bytes >= std::ldexp(1.0, 63)) return std::nullopt;
    return static_cast<uint64_t>(bytes);
}

std::string ByteSizeText(uint64_t bytes) {
    const char* units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    double value = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

uint64_t MostExportBytes(ToolBook& book, const BookState& state, const PageView& view,
                         bookwriter::ImageFormat format) {
    File file =
        book.device().files().Open(state.bookPath, FileAccess::Read, FileCreation::OpenExisting);
    if (!file) return 0;
    // Pages may share a record: each is read once.
    std::unordered_map<uint32_t, uint64_t> known;
    uint64_t total = 0;
    for (const uint32_t offset : state.pageOffsets) {
        auto it = known.find(offset);
        if (it == known.end()) {
            PageRecord record;
            const PageEncoding encoding = ReadPageRecord(file, offset, record);
            it = known.emplace(offset, MostPageBytes(record, encoding, view, format)).first;
        }
        total = SaturatingAdd(total, it->second);
    }
    return total;
}

}  // namespace inkvista::tool
