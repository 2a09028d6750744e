#include "book/BookInfo.h"

#include <cstdio>
#include <unordered_map>

#include "book/HeaderText.h"
#include "book/OpenBook.h"
#include "book/PageDecoder.h"
#include "platform/Text.h"

namespace inkvista {
namespace {

const char* EncodingName(PageEncoding encoding) {
    switch (encoding) {
        case PageEncoding::GreyRuns:
            return "grey";
        case PageEncoding::PaletteColour:
            return "colour";
        default:
            return "unsupported";
    }
}

bool HasRecord(PageEncoding encoding) {
    return encoding != PageEncoding::BadMagic && encoding != PageEncoding::ReadFailed;
}

// Every page's record, and whether it decodes in full: each distinct offset
// decoded once, while the pixels decoded stay within `budget`.
void CheckPages(File& file, const std::vector<uint32_t>& offsets, uint64_t budget,
                std::vector<PageInfo>& pages) {
    PageImage image;  // one for all pages, as the viewer keeps it
    PageView view;
    view.portrait = 1;
    view.fitToWindow = 0;
    std::unordered_map<uint32_t, bool> decoded;
    uint64_t spent = 0;
    for (uint32_t offset : offsets) {
        PageInfo page;
        page.offset = offset;
        page.encoding = ReadPageRecord(file, offset, page.record);
        if (!HasRecord(page.encoding)) {
            page.checked = true;
        } else if (auto known = decoded.find(offset); known != decoded.end()) {
            page.checked = true;
            page.complete = known->second;
        } else {
            const uint64_t pixels = uint64_t{page.record.width} * page.record.height;
            if (pixels <= budget - spent) {
                spent += pixels;
                const PageLoad load = ReadPageAt(file, offset, image, view);
                page.complete = load.error == PageError::None && load.damage == PageDamage::None;
                page.checked = true;
                decoded.emplace(offset, page.complete);
            }
        }
        pages.push_back(page);
    }
}

}  // namespace

OpenBookError ReadBookInfo(FileSystem& files, const BookFolders& folders,
                           std::u16string_view fileName, FolderSlot slot, BookKind kind,
                           BookInfo& info, uint64_t decodeBudget) {
    info = BookInfo{};
    info.kind = kind;
    BookState state;
    const OpenBookError error =
        OpenBook(files, state, folders, fileName, slot, kind, TextConversion::System);
    if (error != OpenBookError::None) return error;
    info.pageCount = state.pageCount;

    // The texts come from the header as stored: OpenBook puts the file name
    // in place of an empty title, info does not.
    File file = files.Open(state.bookPath, FileAccess::Read, FileCreation::OpenExisting);
    uint8_t headerBytes[kBookHeaderSize];
    if (!file || !file.ReadExact(headerBytes, sizeof headerBytes)) return OpenBookError::OpenFailed;
    const BookHeader header = BookHeader::Parse(headerBytes);
    const TextConversion system = TextConversion::System;
    info.title = ConvertHeaderText(header.title, kTitleWidth, system);
    info.chapter = ConvertHeaderText(header.chapter, kChapterWidth, system);
    info.author = ConvertHeaderText(header.author, kAuthorWidth, system);
    info.publisher = ConvertHeaderText(header.publisher, kPublisherWidth, system);

    info.pages.reserve(state.pageOffsets.size());
    CheckPages(file, state.pageOffsets, decodeBudget, info.pages);
    return OpenBookError::None;
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (u < 0x20 || u == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

std::string BookInfoJson(const BookInfo& info) {
    std::string out = "{\n";
    out += "  \"kind\": ";
    out += info.kind == BookKind::Cmb ? "\"cmb\"" : "\"cxb\"";
    out += ",\n  \"pageCount\": " + std::to_string(info.pageCount);
    out += ",\n  \"title\": " + JsonString(Utf16ToUtf8(info.title));
    out += ",\n  \"chapter\": " + JsonString(Utf16ToUtf8(info.chapter));
    out += ",\n  \"author\": " + JsonString(Utf16ToUtf8(info.author));
    out += ",\n  \"publisher\": " + JsonString(Utf16ToUtf8(info.publisher));
    out += ",\n  \"pages\": [";
    for (size_t i = 0; i < info.pages.size(); ++i) {
        const PageInfo& page = info.pages[i];
        out += i == 0 ? "\n    {" : ",\n    {";
        out += "\"offset\": " + std::to_string(page.offset);
        if (HasRecord(page.encoding)) {
            out += ", \"record\": " + JsonString(std::string_view(page.record.magic, 2));
            out += ", \"width\": " + std::to_string(page.record.width);
            out += ", \"height\": " + std::to_string(page.record.height);
        } else {
            out += ", \"record\": null, \"width\": null, \"height\": null";
        }
        out += ", \"encoding\": ";
        out += '"';
        out += EncodingName(page.encoding);
        if (!page.checked) {
            out += "\", \"unchecked\": true}";
        } else {
            out += page.complete ? "\", \"complete\": true}" : "\", \"complete\": false}";
        }
    }
    out += info.pages.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

}  // namespace inkvista
