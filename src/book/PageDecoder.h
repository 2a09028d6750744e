// Decoding one page of the open book into the page image the viewer paints:
// 3-bit grey runs or LZO1X-compressed 5-bit palette colour, turned a quarter
// turn for landscape reading and fitted to the screen on request.
//
// Loading a page is four steps, each answering a PageError: read the record
// (ReadPageLayout), read the palette and packed data (ReadPageData), decode
// (DecodePageData) and fit (FitPage). ReadPage and ReadPageAt run them all;
// nothing here shows a message: the caller tells the user
// (PageErrorMessage).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "book/BookState.h"
#include "book/PageImage.h"
#include "book/PageRecord.h"
#include "platform/FileSystem.h"
#include "settings/ViewOption.h"

namespace inkvista {

// How a page is to be shown: as stored or turned a quarter turn for
// landscape reading, fitted to the screen or not.
struct PageView {
    bool portrait = false;
    bool fitToWindow = false;
    bool operator==(const PageView&) const = default;
};
inline PageView PageViewOf(const ViewSettings& view) {
    return {view.portrait, view.fitToWindow};
}

// Why a page was not loaded.
enum class PageError {
    None,
    NotInBook,         // the page number is outside the book
    OpenFailed,        // the book file cannot be opened
    RecordUnreadable,  // the file does not hold the page record
    Unsupported,       // bad record magic, "XC" record with a field 32 or bitsPerPixel refused,
                       // or a page of width or height 0
    NoMemoryPacked,    // the packed data cannot be held
    NoMemoryUnpacked,  // the unpacked image cannot be held
    NoMemoryPixels,    // the page image cannot be held
    ColourData,        // the LZO1X block is damaged or longer than the page
};

// The message that tells `error`: "Unsupported File Format",
// "Insufficient Memory at allocating PackData", "Insufficient Memory at
// allocating to UnPack BMP Data", "Insufficient Memory at allocating to Load
// BMP Data" or "Color Data Decoding Error". Null for None and for the
// failures that show none (NotInBook, OpenFailed, RecordUnreadable).
const char16_t* PageErrorMessage(PageError error);

// How far a page's data described the page. A damaged page is still shown,
// as far as it decodes, the rest black.
enum class PageDamage {
    None,
    DataEnded,   // the data ended before the page did
    RunPastRow,  // a grey run passed the end of its row
};

struct PageLoad {
    PageError error = PageError::None;
    PageDamage damage = PageDamage::None;  // of a page that loaded
    uint64_t fileSize = 0;                 // of the book file ReadPage read it from
};

// A page's record and where its parts stand in the book file.
struct PageLayout {
    PageRecord record;
    bool grey = true;  // 3-bit grey runs, else 5-bit palette colour
    uint64_t recordEnd = 0;
    uint64_t paletteAt = 0;
    uint64_t packedAt = 0;
};

// The packed data of a page as far as the file holds it (`length` bytes),
// followed by spare zero bytes that keep any look-ahead of a decoder inside
// the buffer.
struct PackedData {
    std::vector<uint8_t> bytes;
    size_t length = 0;
    std::span<const uint8_t> data() const { return {bytes.data(), length}; }
};

// Read-record: the record at `offset`, checked, with the memory each step
// of reading the page needs (PlanPageMemory) checked against the page limit:
// NoMemoryPacked, NoMemoryUnpacked or NoMemoryPixels for the first step that
// would pass it. Changes nothing but `layout` and the file position (right
// after the record).
PageError ReadPageLayout(File& file, uint32_t offset, bool portrait, PageLayout& layout);

// The bytes a page holds at once at each step of reading it, for the page
// being read; the page before keeps its pixels beside them until the store
// step replaces them. The packed data counts at the size the record claims.
// The fit's own step, the page's pixels beside FitWorkBytes, is checked by
// the fit itself, which leaves a page it cannot hold unfitted.
struct PageMemory {
    uint64_t read = 0;    // palette and packed data
    uint64_t decode = 0;  // palette, packed data and the unpacked image
    uint64_t store = 0;   // palette, unpacked image and the new pixels with their work rows
};
PageMemory PlanPageMemory(const PageLayout& layout, bool portrait);

// Read-data, with the file where ReadPageLayout left it: sets the view size
// (viewWidth, viewHeight) and the palette of `page`, then reads the packed
// data into `packed`. Packed data the file does not hold is missing,
// not zero. Fails only with NoMemoryPacked, the rest of `page` then already
// changed.
PageError ReadPageData(File& file, const PageLayout& layout, bool portrait, PageImage& page,
                       PackedData& packed);

// Decode: `page.pixels` (and both strides) from the packed data, turned in
// landscape mode, and their format (Grey8 or Indexed8). `packed` is released
// on the way. `damage`
// tells whether the whole page came from the data.
PageError DecodePageData(const PageLayout& layout, PackedData& packed, bool portrait,
                         PageImage& page, PageDamage* damage);

// Fit: when the view asks for it, the decoded page fitted to the screen
// (FitGreyPage, FitColourPage); a fitted colour page is Bgr24.
void FitPage(const PageLayout& layout, const PageView& view, PageImage& page);

// The four steps on an open book file, for the page whose record stands at
// `offset`.
PageLoad ReadPageAt(File& file, uint32_t offset, PageImage& page, const PageView& view);

// Page `index` (from 0) of `book`: opens the book file, runs the four steps
// and closes the file. Without an error the page image describes the new
// page (a damaged page is loaded); with one the page is not loaded: the
// palette and view size may already belong to the new page while `pixels`
// holds the previous one or nothing.
PageLoad ReadPage(FileSystem& files, const BookState& book, int32_t index, PageImage& page,
                  const PageView& view);

// Reads `count` 3-byte entries at the file's position into `palette`;
// entries the file does not hold in full are black. True when all were read.
bool ReadPalette(File& file, uint16_t count, std::vector<uint8_t>& palette);

// Decodes 3-bit grey runs into `out`, rows of Stride8(width) bytes. Every
// byte of the image is written: row padding, and whatever damaged data leaves
// undecoded, are 0. A code naming an entry `palette` does not have gives
// grey 0. Answers false for damaged data, with `damage` telling how: the data
// ends before the page does, or a run passes the end of its row (on the last
// row nothing of that run is written and decoding stops; on other rows it is
// cut at the row's end). The fault that stopped decoding is the one told.
// Also false, writing nothing and leaving `damage` alone, when `out` is
// shorter than the image.
bool DecodeGreyRuns(std::span<const uint8_t> packed, std::span<uint8_t> out, uint32_t width,
                    uint32_t height, std::span<const uint8_t> palette,
                    PageDamage* damage = nullptr);

// Decompresses one LZO1X block into `out`; `produced` receives the bytes
// written. Fails on any decompressor error, including output that would not
// fit `out`.
bool DecompressPageData(std::span<const uint8_t> packed, std::span<uint8_t> out, size_t* produced);

// The bytes of 5-bit colour rows that a page's pixels come from: every row
// but the last with its padding, the last without.
uint64_t ColourDataBytes(uint32_t width, uint32_t height);

// Builds `page.pixels` (and both strides) from 5-bit colour rows, turned in
// landscape mode. Bytes past the end of `data` count as 0. Fails, leaving
// `pixels` empty, when the image would pass kMaxPageBytes or cannot be
// allocated.
bool UnpackColourPixels(std::span<const uint8_t> data, uint32_t width, uint32_t height,
                        bool portrait, PageImage& page);

// Builds `page.pixels` (and both strides) from a decoded grey image with rows
// of Stride8(width) bytes, turned in landscape mode. In portrait mode the
// decoded buffer itself becomes `pixels`. Fails like UnpackColourPixels, and
// when `decoded` is shorter than the image.
bool StoreGreyPixels(std::vector<uint8_t>&& decoded, uint32_t width, uint32_t height, bool portrait,
                     PageImage& page);

}  // namespace inkvista
