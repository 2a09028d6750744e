// How much `export --all` may write: sizes as people type them, and what a
// book's pages can take as pictures, known before any page is decoded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ToolDevice.h"
#include "book/PageDecoder.h"
#include "bookwriter/ImageFiles.h"

namespace inkvista::tool {

// "4G", "512M", "1.5G", "100000": bytes, with K, M, G or T (binary, any
// case, an optional "B" or "iB" after it). None for anything else or a size
// past 2^63.
std::optional<uint64_t> ParseByteSize(const std::string& text);

// "3.9 GiB", "512.0 MiB", "731 bytes".
std::string ByteSizeText(uint64_t bytes);

// The most the pictures of every page of `state` can take in `format` as
// `view` shows them, from the page records alone. A page the reader would
// refuse counts nothing: the export stops there anyway.
uint64_t MostExportBytes(ToolBook& book, const BookState& state, const PageView& view,
                         bookwriter::ImageFormat format);

}  // namespace inkvista::tool
