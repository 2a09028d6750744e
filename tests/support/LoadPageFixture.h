// Books written byte for byte into a test device, and the page loader run on
// them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "book/BookState.h"
#include "book/PageDecoder.h"
#include "encode/BookWriter.h"
#include "encode/PageEncoder.h"
#include "platform/Device.h"
#include "platform/Text.h"
#include "support/TestDevice.h"

namespace inkvista {

class LoadPageTest : public ::testing::Test {
  protected:
    // Writes `bytes` as "\NAME" and makes it the open book with `offsets`.
    void PutBook(const std::string& name, const std::vector<uint8_t>& bytes,
                 const std::vector<uint32_t>& offsets) {
        ASSERT_TRUE(encode::WriteFile((test_.root() / name).string(), bytes));
        book_.bookPath = u"\\" + Utf8ToUtf16(name);
        book_.pageOffsets = offsets;
        book_.pageCount = static_cast<int32_t>(offsets.size());
    }
    void PutBook(const encode::BookPlan& plan) {
        PutBook("book.cmb", encode::BuildBook(plan), encode::PageOffsets(plan));
    }
    void PutPages(std::vector<encode::PagePlan> pages) {
        encode::BookPlan plan;
        plan.pages = std::move(pages);
        PutBook(plan);
    }

    bool Load(int page, bool portrait, bool fit = false) {
        test_.messages().Clear();
        PageView view;
        view.portrait = portrait ? 1 : 0;
        view.fitToWindow = fit ? 1 : 0;
        // The message a caller tells for the error, where the tests read it.
        const PageLoad load = ReadPage(test_.device().files(), book_, page, page_, view);
        if (const char16_t* message = PageErrorMessage(load.error)) test_.messages().Show(message);
        return load.error == PageError::None;
    }
    // The same load through ReadPage, which shows nothing and tells how the
    // page is damaged.
    PageDamage ReadDamage(int page, bool portrait, bool fit = false) {
        PageView view;
        view.portrait = portrait ? 1 : 0;
        view.fitToWindow = fit ? 1 : 0;
        const PageLoad load = ReadPage(test_.device().files(), book_, page, page_, view);
        EXPECT_EQ(load.error, PageError::None);
        return load.damage;
    }
    const std::vector<std::u16string>& Shown() { return test_.messages().shown(); }

    // A grey page of `codes` (one per pixel) whose entry c has the level 30c + 10.
    static encode::PagePlan GreyCodes(const std::vector<uint8_t>& codes, uint32_t width,
                                      uint32_t height, const std::string& record = "CX") {
        std::array<uint8_t, 8> levels;
        for (size_t c = 0; c < 8; ++c) levels[c] = static_cast<uint8_t>(30 * c + 10);
        auto page = encode::GreyPageFromCodes(codes.data(), width, height, width, levels, record);
        EXPECT_TRUE(page.has_value());
        return page.value_or(encode::PagePlan{});
    }
    // Codes that the run code can carry: singles of 2..7, runs of 0 and 1.
    static std::vector<uint8_t> SomeCodes(uint32_t width, uint32_t height) {
        std::vector<uint8_t> codes(size_t{width} * height);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                codes[size_t{y} * width + x] =
                    x < 4 ? static_cast<uint8_t>(y % 2) : static_cast<uint8_t>(2 + (x + 2 * y) % 6);
        return codes;
    }
    static std::vector<uint8_t> ColourPalette() {
        std::vector<uint8_t> palette;
        for (int i = 0; i < 32; ++i)
            palette.insert(palette.end(),
                           {static_cast<uint8_t>(8 * i), static_cast<uint8_t>(255 - i),
                            static_cast<uint8_t>(100 + i)});
        return palette;
    }
    static std::vector<uint8_t> SomeIndices(uint32_t width, uint32_t height) {
        std::vector<uint8_t> indices(size_t{width} * height);
        for (size_t i = 0; i < indices.size(); ++i)
            indices[i] = static_cast<uint8_t>((i * 7 + i / 13) % 32);
        return indices;
    }
    static encode::PagePlan Colour(const std::vector<uint8_t>& indices, uint32_t width,
                                   uint32_t height) {
        auto page = encode::ColourPage(indices.data(), width, height, width, ColourPalette());
        EXPECT_TRUE(page.has_value());
        return page.value_or(encode::PagePlan{});
    }

    TestDevice test_;
    BookState book_;
    PageImage page_;
};

}  // namespace inkvista
