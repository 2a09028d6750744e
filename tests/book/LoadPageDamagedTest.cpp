// Damaged and absurd books through LoadPage: cut-off files, offsets past the
// end, impossible sizes, bad LZO blocks, short palettes. Each must give its
// answer and message without leaving a buffer (this suite also runs under
// AddressSanitizer and UndefinedBehaviorSanitizer).
#include <functional>
#include <optional>

#include "platform/ByteOrder.h"
#include "support/LoadPageFixture.h"

namespace inkvista {
namespace {

void PutBe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    StoreBE32(bytes.data() + at, value);
}
void PutBe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    StoreBE16(bytes.data() + at, value);
}

constexpr char16_t kUnsupported[] = u"Unsupported File Format";
constexpr char16_t kPackData[] = u"Insufficient Memory at allocating PackData";
constexpr char16_t kUnpack[] = u"Insufficient Memory at allocating to UnPack BMP Data";
constexpr char16_t kLoadBmp[] = u"Insufficient Memory at allocating to Load BMP Data";
constexpr char16_t kColourError[] = u"Color Data Decoding Error";

enum Views { Both, PortraitOnly, LandscapeOnly };

struct Damage {
    const char* name;
    bool colour;  // damage the colour page, else the grey page ("CX")
    // Changes the book's bytes; `record` is the page record's offset.
    std::function<void(std::vector<uint8_t>& bytes, size_t record)> apply;
    bool loads;
    const char16_t* message;  // nullptr: none
    Views views = Both;
    // How a page that loads is damaged; not checked where the damage leaves
    // garbage to decode.
    std::optional<PageDamage> damage = PageDamage::None;
};

// Offsets inside the two records.
constexpr size_t kCxWidth = 22, kCxHeight = 26, kCxPacked = 34, kCxSkip = 38, kCxPalette = 40;
constexpr size_t kXcPacked = 16, kXcWidth = 20, kXcHeight = 24, kXcPalette = 70;
// A grey page's data starts after its 42-byte record, 8 palette entries and
// its row table of 2 bytes per row (8 rows).
constexpr size_t kGreyPacked = 42 + 24 + 16;
constexpr size_t kColourPacked = 72 + 96;

const Damage kDamages[] = {
    {"record cut off", false, [](auto& b, size_t r) { b.resize(r + 20); }, false, nullptr},
    {"magic only", true, [](auto& b, size_t r) { b.resize(r + 2); }, false, nullptr},
    {"file empty", false, [](auto& b, size_t) { b.clear(); }, false, nullptr},
    {"width 0xFFFFFFFF", false, [](auto& b, size_t r) { PutBe32(b, r + kCxWidth, 0xFFFFFFFF); },
     false, kUnpack},
    {"height 0xFFFFFFFF", true, [](auto& b, size_t r) { PutBe32(b, r + kXcHeight, 0xFFFFFFFF); },
     false, kUnpack},
    {"65536 x 65536", true,
     [](auto& b, size_t r) {
         PutBe32(b, r + kXcWidth, 0x10000);
         PutBe32(b, r + kXcHeight, 0x10000);
     },
     false, kUnpack},
    {"packedSize 0xFFFFFFFF", false,
     [](auto& b, size_t r) { PutBe32(b, r + kCxPacked, 0xFFFFFFFF); }, false, kPackData},
    {"packedSize past the limit", true,
     [](auto& b, size_t r) { PutBe32(b, r + kXcPacked, 0x10000001); }, false, kPackData},
    {"turned page past the limit", false,
     [](auto& b, size_t r) {
         PutBe32(b, r + kCxWidth, 0x4000001);
         PutBe32(b, r + kCxHeight, 1);
     },
     false, kLoadBmp, LandscapeOnly},
    // Each buffer alone is within the limit; those held at once are not.
    {"grey page and its turned copy together past the limit", false,
     [](auto& b, size_t r) {
         PutBe32(b, r + kCxWidth, 12288);
         PutBe32(b, r + kCxHeight, 12800);
     },
     false, kLoadBmp, LandscapeOnly},
    {"colour page and the data it is unpacked from together past the limit", true,
     [](auto& b, size_t r) {
         PutBe32(b, r + kXcWidth, 12000);
         PutBe32(b, r + kXcHeight, 12000);
     },
     false, kLoadBmp},
    {"packed data and the unpacked page together past the limit", true,
     [](auto& b, size_t r) {
         PutBe32(b, r + kXcWidth, 10240);
         PutBe32(b, r + kXcHeight, 10240);
         PutBe32(b, r + kXcPacked, 200u << 20);
     },
     false, kUnpack},
    {"width 0", false, [](auto& b, size_t r) { PutBe32(b, r + kCxWidth, 0); }, false, kUnsupported},
    {"height 0", true, [](auto& b, size_t r) { PutBe32(b, r + kXcHeight, 0); }, false,
     kUnsupported},
    {"grey data cut in half", false, [](auto& b, size_t r) { b.resize(r + kGreyPacked + 10); },
     true, nullptr, Both, PageDamage::DataEnded},
    {"grey packedSize past the file", false,
     [](auto& b, size_t r) { PutBe32(b, r + kCxPacked, 100000); }, true, nullptr},
    {"grey palette cut off", false, [](auto& b, size_t r) { b.resize(r + 42 + 5); }, true, nullptr,
     Both, PageDamage::DataEnded},
    {"grey palette empty", false, [](auto& b, size_t r) { PutBe16(b, r + kCxPalette, 0); }, true,
     nullptr, Both, std::nullopt},
    {"grey skipWords past the file", false,
     [](auto& b, size_t r) { PutBe16(b, r + kCxSkip, 0xFFFF); }, true, nullptr, Both,
     PageDamage::DataEnded},
    {"grey page far wider than its data", false,
     [](auto& b, size_t r) { PutBe32(b, r + kCxWidth, 100000); }, true, nullptr, Both,
     PageDamage::DataEnded},
    {"grey page narrower than its runs", false,
     [](auto& b, size_t r) { PutBe32(b, r + kCxWidth, 3); }, true, nullptr, Both,
     PageDamage::RunPastRow},
    {"colour data cut off", true, [](auto& b, size_t r) { b.resize(r + kColourPacked + 7); }, false,
     kColourError},
    {"colour data garbage", true,
     [](auto& b, size_t r) {
         for (size_t i = r + kColourPacked; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 37);
     },
     false, kColourError},
    {"colour data empty", true, [](auto& b, size_t r) { PutBe32(b, r + kXcPacked, 0); }, false,
     kColourError},
    {"colour palette cut off", true, [](auto& b, size_t r) { b.resize(r + 72 + 40); }, false,
     kColourError},
    {"colour palette shorter than 32", true,
     [](auto& b, size_t r) {
         // 4 entries: the block now starts inside the old palette's bytes.
         PutBe16(b, r + kXcPalette, 4);
     },
     false, kColourError},
    {"colour page taller than its data", true,
     [](auto& b, size_t r) { PutBe32(b, r + kXcHeight, 5000); }, true, nullptr, Both,
     PageDamage::DataEnded},
};

class LoadPageDamagedTest : public LoadPageTest {
  protected:
    void SetUp() override {
        grey_ = GreyCodes(SomeCodes(16, 8), 16, 8);
        colour_ = Colour(SomeIndices(16, 8), 16, 8);
    }
    // A book whose first page is damaged and whose second is intact.
    void PutDamaged(const Damage& damage) {
        encode::BookPlan plan;
        plan.pages = {damage.colour ? colour_ : grey_, grey_};
        auto bytes = encode::BuildBook(plan);
        const auto offsets = encode::PageOffsets(plan);
        // The intact page goes first in the file so that cutting the file
        // damages only the first page.
        std::vector<uint8_t> intact(bytes.begin() + offsets[1], bytes.end());
        std::vector<uint8_t> book(bytes.begin(), bytes.begin() + offsets[0]);
        const auto intactAt = static_cast<uint32_t>(book.size());
        book.insert(book.end(), intact.begin(), intact.end());
        const auto damagedAt = static_cast<uint32_t>(book.size());
        book.insert(book.end(), bytes.begin() + offsets[0], bytes.begin() + offsets[1]);
        damage.apply(book, damagedAt);
        PutBook("damaged.cmb", book, {damagedAt, intactAt});
    }

    encode::PagePlan grey_, colour_;
};

TEST_F(LoadPageDamagedTest, EachDamageHasItsAnswer) {
    for (const Damage& damage : kDamages) {
        for (const bool portrait : {true, false}) {
            if ((damage.views == PortraitOnly && !portrait) ||
                (damage.views == LandscapeOnly && portrait))
                continue;
            for (const bool fit : {false, true}) {
                SCOPED_TRACE(std::string(damage.name) + (portrait ? ", portrait" : ", landscape") +
                             (fit ? ", fitted" : ""));
                PutDamaged(damage);
                // The intact page, unless the damage cut it away with the file.
                const bool before = Load(1, portrait, fit);
                const std::vector<uint8_t> previous = page_.pixels;
                const int32_t previousWidth = page_.viewWidth;

                EXPECT_EQ(Load(0, portrait, fit), damage.loads);
                const std::vector<std::u16string> expected =
                    damage.message ? std::vector<std::u16string>{damage.message}
                                   : std::vector<std::u16string>{};
                EXPECT_EQ(Shown(), expected);
                if (damage.loads) {
                    if (damage.damage) {
                        EXPECT_EQ(ReadDamage(0, portrait, fit), *damage.damage);
                    }
                    EXPECT_FALSE(page_.pixels.empty());
                    EXPECT_EQ(page_.pixels.size(),
                              size_t{page_.PixelStride()} * uint32_t(page_.viewHeight));
                } else if (before && damage.message && damage.message != kColourError) {
                    // Refused for its sizes: the page image is untouched.
                    EXPECT_EQ(page_.pixels, previous);
                    EXPECT_EQ(page_.viewWidth, previousWidth);
                }
            }
        }
    }
}

TEST_F(LoadPageDamagedTest, CutGreyDataLeavesTheRestBlack) {
    PutDamaged(
        {"", false, [](auto& b, size_t r) { b.resize(r + kGreyPacked + 6); }, true, nullptr});
    ASSERT_TRUE(Load(0, true));
    // The first row came through; the last is black.
    EXPECT_EQ(page_.pixels[0], 10 + 30 * SomeCodes(16, 8)[0]);
    for (size_t x = 0; x < 16; ++x) EXPECT_EQ(page_.pixels[7 * 16 + x], 0);
}

TEST_F(LoadPageDamagedTest, MissingPaletteEntriesAreBlack) {
    auto page = grey_;
    page.palette.resize(9);  // entries 0, 1 and 2 only
    PutPages({page});
    ASSERT_TRUE(Load(0, true));
    const auto codes = SomeCodes(16, 8);
    for (size_t i = 0; i < codes.size(); ++i)
        ASSERT_EQ(page_.pixels[i], codes[i] <= 2 ? 10 + 30 * codes[i] : 0) << i;

    auto colour = colour_;
    colour.palette.resize(12);  // entries 0 to 3
    PutPages({colour});
    ASSERT_TRUE(Load(0, true));
    const std::array<RgbQuad, 256> colours = ColourTable(page_);
    EXPECT_EQ(colours[3].red, ColourPalette()[9]);
    for (size_t i = 4; i < 32; ++i) {
        const RgbQuad& entry = colours[i];
        EXPECT_TRUE(entry.red == 0 && entry.green == 0 && entry.blue == 0) << i;
    }
}

TEST_F(LoadPageDamagedTest, RunPastTheLastRowShowsThePageAsFarAsDecoded) {
    encode::PagePlan page;
    page.width = 6;
    page.height = 1;
    page.palette = {0, 0, 0, 0, 0, 0, 200, 200, 200};
    page.packed = {0xC2, 0x0F};  // code 2, then a run of 67
    PutPages({page});
    ASSERT_TRUE(Load(0, true));
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(page_.pixels, (std::vector<uint8_t>{200, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(LoadPageDamagedTest, PagesTheFileDoesNotHoldFailQuietly) {
    PutPages({grey_});
    const std::vector<uint32_t> offsets = book_.pageOffsets;
    book_.pageOffsets = {offsets[0], 0xFFFFFFFF, 1u << 30};
    EXPECT_FALSE(Load(1, true));
    EXPECT_FALSE(Load(2, true));
    EXPECT_FALSE(Load(3, true));
    EXPECT_FALSE(Load(-1, true));
    EXPECT_TRUE(Shown().empty());
    book_.bookPath = u"\\missing.cmb";
    EXPECT_FALSE(Load(0, true));
    EXPECT_TRUE(Shown().empty());
}

}  // namespace
}  // namespace inkvista
