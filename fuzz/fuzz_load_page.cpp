// The page loader's steps (ReadPage) on an arbitrary book file: the input's
// first byte chooses portrait or landscape and fitting, the rest is the
// file, with page 0 at offset 0 and page 1 at the offset its first four
// bytes name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "book/BookFormat.h"
#include "book/BookState.h"
#include "book/PageDecoder.h"
#include "platform/ByteOrder.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

// Pages that are valid but large only make the fuzzer slow: sizes past the
// page limit are refused at once and stay in, the tens of megapixels just
// below it are left out.
bool SlowPage(const uint8_t* data, size_t size, uint32_t offset) {
    if (offset > size || size - offset < kRecordMagicSize) return false;
    const uint8_t* record = data + offset;
    const RecordLayout& layout = record[0] == 'X' ? kXcRecord : kCxRecord;
    if (size - offset < layout.height + 4) return false;
    const uint64_t pixels =
        uint64_t{LoadBE32(record + layout.width)} * LoadBE32(record + layout.height);
    return pixels > (uint64_t{1} << 22) && pixels <= (uint64_t{3} << 28);
}

}  // namespace
}  // namespace inkvista

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    static TestDevice device;
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    ++data;
    --size;
    const uint32_t second = size >= 4 ? LoadBE32(data) : 0;
    if (SlowPage(data, size, 0) || SlowPage(data, size, second)) return 0;
    const std::string path = (device.root() / "fuzz.cmb").string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);

    BookState book;
    book.bookPath = u"\\fuzz.cmb";
    book.pageOffsets = {0, second};
    book.pageCount = 2;
    ViewOption view;
    view.portrait = flags & 1;
    view.fitToWindow = (flags >> 1) & 1;
    // Kept from input to input, as the viewer keeps it from page to page.
    static PageImage page;
    page.currentPage = (flags >> 2) & 1;
    ReadPage(device.device().files(), book, page, view);
    return 0;
}
