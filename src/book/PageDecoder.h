// Decoding one page of the open book into the page image the viewer paints:
// 3-bit grey runs or LZO1X-compressed 5-bit palette colour, turned a quarter
// turn for landscape reading and fitted to the screen on request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "book/BookState.h"
#include "book/PageImage.h"
#include "platform/FileSystem.h"
#include "settings/ViewOption.h"

namespace inkvista {

class Device;

// Loads page `page.currentPage` of `book`. On true the page image describes
// the new page. On false the page is not loaded and, where the failure has a
// message of its own, it has been shown ("Unsupported File Format",
// "Insufficient Memory at …", "Color Data Decoding Error"); a book file that
// cannot be opened, a page number outside the book and a page record the file
// does not hold fail without a message. The book file is closed on return.
//
// A grey page whose run codes are damaged (data ending early, a run passing
// the end of the page) is shown as far as it decodes, the rest black.
bool LoadPage(Device& device, const BookState& book, PageImage& page, const ViewOption& view);

// Reads `count` 3-byte entries at the file's position into `palette`;
// entries the file does not hold in full are black. True when all were read.
bool ReadPalette(File& file, uint16_t count, std::vector<uint8_t>& palette);

// Decodes 3-bit grey runs into `out`, rows of Stride8(width) bytes. Every
// byte of the image is written: row padding, and whatever damaged data leaves
// undecoded, are 0. A code naming an entry `palette` does not have gives
// grey 0. Answers false for damaged data: the data ends before the page does,
// or a run passes the end of its row (on the last row nothing of that run is
// written; on other rows it is cut at the row's end). Also false, writing
// nothing, when `out` is shorter than the image.
bool DecodeGreyRuns(std::span<const uint8_t> packed, std::span<uint8_t> out, uint32_t width,
                    uint32_t height, std::span<const uint8_t> palette);

// Decompresses one LZO1X block into `out`; `produced` receives the bytes
// written. Fails on any decompressor error, including output that would not
// fit `out`.
bool DecompressPageData(std::span<const uint8_t> packed, std::span<uint8_t> out, size_t* produced);

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
