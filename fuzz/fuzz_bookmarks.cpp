// A folder's bookmark file from arbitrary bytes. The input's first byte sets
// how the file arrives (in pieces of 1 to 256 bytes, as a card gives a read
// at a time); the rest is the file.
//   The lines read are the same however the file arrives.
//   The lines read are the file's lines (the last one also without its LF)
//   that are not overlong and parse, in file order; a name is the text before its line's first TAB,
//   and a line of the form the program writes ("%s\t%d") always parses, to
//   its own page.
//   A line read and written again reads back as the same name and page.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "models/LibraryBookmarks.h"
#include "platform/ByteOrder.h"

namespace inkvista {
namespace {

// Longer than any line the program writes; a longer one is never read.
constexpr size_t kLongestKeptLine = 1024;

using Line = std::pair<std::u16string, int32_t>;

std::vector<Line> Read(const uint8_t* data, size_t size, size_t piece) {
    std::vector<Line> lines;
    BookmarkReader reader([&lines](std::u16string_view name, int32_t page, std::u16string_view) {
        lines.emplace_back(std::u16string(name), page);
    });
    for (size_t at = 0; at < size; at += piece) {
        // An exactly sized copy of each piece, so a read past it is caught.
        const size_t n = std::min(piece, size - at);
        const std::vector<uint8_t> part(data + at, data + at + n);
        reader.Feed(part.data(), part.size());
    }
    reader.Finish();
    return lines;
}

// The file's lines (each ended by an LF unit, but perhaps the last), without
// the LF.
std::vector<std::u16string> CompleteLines(const uint8_t* data, size_t size) {
    std::vector<std::u16string> lines;
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = LoadLE16(data + i);
        if (unit == u'\n') {
            lines.push_back(std::move(text));
            text.clear();
        } else {
            text.push_back(unit);
        }
    }
    if (!text.empty()) lines.push_back(std::move(text));
    return lines;
}

// The page of a line exactly as the program writes it, or false.
bool WrittenForm(const std::u16string& line, int32_t* page) {
    const size_t tab = line.find(u'\t');
    if (tab == std::u16string::npos || line.size() > kLongestKeptLine) return false;
    std::string digits;
    for (char16_t c : std::u16string_view(line).substr(tab + 1)) {
        if (c > 0x7F) return false;
        digits.push_back(static_cast<char>(c));
    }
    if (digits.empty() || digits.size() > 11) return false;
    char* end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, 10);
    if (*end != 0 || value < INT32_MIN || value > INT32_MAX) return false;
    if (std::to_string(value) != digits) return false;
    *page = static_cast<int32_t>(value);
    return true;
}

}  // namespace
}  // namespace inkvista

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    if (size == 0) return 0;
    const size_t piece = size_t{data[0]} + 1;
    ++data;
    --size;

    const std::vector<Line> lines = Read(data, size, size == 0 ? 1 : size);
    if (Read(data, size, piece) != lines) std::abort();

    const std::vector<std::u16string> complete = CompleteLines(data, size);
    size_t next = 0;
    for (const std::u16string& text : complete) {
        int32_t written = 0;
        const bool canonical = WrittenForm(text, &written);
        std::u16string_view name;
        int32_t page = 0;
        if (text.size() > kLongestKeptLine || !ParseBookmarkLine(text, &name, &page)) {
            if (canonical) std::abort();
            continue;
        }
        if (canonical && page != written) std::abort();
        if (name != std::u16string_view(text).substr(0, text.find(u'\t'))) std::abort();
        if (next == lines.size() || lines[next].first != name || lines[next].second != page) {
            std::abort();
        }
        ++next;
    }
    if (next != lines.size()) std::abort();

    for (const Line& line : lines) {
        std::string bytes;
        AppendBookmarkLine(bytes, line.first, line.second);
        const std::vector<uint8_t> again(bytes.begin(), bytes.end());
        if (Read(again.data(), again.size(), again.size()) != std::vector<Line>{line}) std::abort();
    }
    return 0;
}
