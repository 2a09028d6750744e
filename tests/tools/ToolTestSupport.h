// Helpers for the tool tests: a device holding books in "\books", read back
// through the reader's own OpenBook and LoadPage.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "book/OpenBook.h"
#include "book/PageDecoder.h"
#include "bookwriter/ImageFiles.h"
#include "platform/Device.h"
#include "support/TestDevice.h"

namespace inkvista::testing {

class BookFolderTest : public ::testing::Test {
  protected:
    BookFolderTest() {
        std::filesystem::create_directories(Dir());
        folders_.userDir = u"\\books";
    }

    std::filesystem::path Dir() const { return device_.root() / "books"; }
    std::string PathOf(const std::string& name) const { return (Dir() / name).string(); }

    bool Open(const std::string& name, BookKind kind, BookState* state) {
        return OpenBook(device_.device().files(), *state, folders_,
                        std::u16string(name.begin(), name.end()), FolderSlot::User, kind,
                        TextConversion::System) == OpenBookError::None;
    }

    // Page `index` as the reader shows it.
    bool Show(const BookState& state, int32_t index, bool portrait, bool fit,
              bookwriter::RasterImage* out) {
        PageImage page;
        PageView view;
        view.portrait = portrait ? 1 : 0;
        view.fitToWindow = fit ? 1 : 0;
        return ReadPage(device_.device().files(), state, index, page, view).error ==
                   PageError::None &&
               bookwriter::RenderPage(page, out);
    }

    TestDevice device_;
    BookFolders folders_;
};

// Deterministic pseudo-random numbers for test pictures.
class TestRng {
  public:
    explicit TestRng(uint32_t seed) : s_(seed | 1) {}
    uint32_t Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }

  private:
    uint32_t s_;
};

// `pixels` (one value per pixel, `channels` bytes each) turned a quarter
// turn counter-clockwise, as landscape reading shows a page: stored (x, y)
// goes to column y of row width - 1 - x.
inline std::vector<uint8_t> TurnLeft(const std::vector<uint8_t>& pixels, uint32_t width,
                                     uint32_t height, int channels) {
    std::vector<uint8_t> out(pixels.size());
    const size_t c = static_cast<size_t>(channels);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (size_t k = 0; k < c; ++k)
                out[((width - 1 - x) * size_t{height} + y) * c + k] =
                    pixels[(y * size_t{width} + x) * c + k];
    return out;
}

// Writes an archive of `format` (ARCHIVE_FORMAT_*) holding the entries.
inline void WriteArchive(const std::string& path, int format,
                         const std::vector<std::pair<std::string, QByteArray>>& entries) {
    archive* a = archive_write_new();
    archive_write_set_format(a, format);
    ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK);
    for (const auto& [name, data] : entries) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, name.c_str());
        archive_entry_set_size(e, data.size());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_write_header(a, e);
        archive_write_data(a, data.constData(), static_cast<size_t>(data.size()));
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
}

}  // namespace inkvista::testing
