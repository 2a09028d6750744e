#include <gtest/gtest.h>

#include "book/OpenBook.h"
#include "support/OpenBookFixture.h"

namespace inkvista {
namespace {

using encode::BookPlan;
using encode::BuildBook;
using encode::PageOffsets;

constexpr char16_t kUnsupported[] = u"Unsupported File Format";
constexpr char16_t kOpenFailed[] = u"File Open Failed";

class OpenBookTest : public BookFileTest {
  protected:
    bool Open(std::u16string_view name, BookKind kind,
              TextConversion conversion = TextConversion::System) {
        test_.messages().Clear();
        return Told(OpenBook(test_.device().files(), state_, folders_, name, FolderSlot::User, kind,
                             conversion));
    }
    // The message a caller shows for the error, where the tests read it.
    bool Told(OpenBookError error) {
        if (const char16_t* message = OpenBookMessage(error)) test_.messages().Show(message);
        return error == OpenBookError::None;
    }
    void ExpectRefused(std::u16string_view name, BookKind kind, const char16_t* message) {
        EXPECT_FALSE(Open(name, kind)) << Utf16ToUtf8(name);
        EXPECT_EQ(Shown(), std::vector<std::u16string>{message}) << Utf16ToUtf8(name);
        EXPECT_TRUE(state_.pageOffsets.empty());
        EXPECT_EQ(state_.pageCount, 0);
    }

    static BookPlan Book(BookKind kind, size_t pages) {
        BookPlan plan;
        plan.kind = kind;
        for (size_t i = 0; i < pages; ++i) plan.pages.push_back(GreyPage(10 + i, 20));
        return plan;
    }

    BookState state_;
};

TEST(BookFoldersTest, EachSlotHasItsFolderAndIsSearchedWhenItIsThere) {
    BookFolders folders;
    folders.documentsRoot = u"\\My Documents";
    folders.cardNames = {u"Storage Card", u"", u"SD"};
    folders.cardCount = 1;
    folders.userDir = u"\\Comics";
    EXPECT_EQ(folders.PathOf(FolderSlot::Main), u"\\My Documents\\InkVISTA\\");
    EXPECT_EQ(folders.PathOf(FolderSlot::Card1), u"\\Storage Card\\InkVISTA\\");
    EXPECT_EQ(folders.PathOf(FolderSlot::Card3), u"\\SD\\InkVISTA\\");
    EXPECT_EQ(folders.PathOf(FolderSlot::User), u"\\Comics\\");
    EXPECT_EQ(folders.PathOf(static_cast<FolderSlot>(5)), u"");
    std::vector<bool> searched;
    for (FolderSlot slot : kFolderSlots) searched.push_back(folders.Searched(slot));
    EXPECT_EQ(searched, (std::vector<bool>{true, true, false, false, false}));
    folders.userDirExists = true;
    EXPECT_TRUE(folders.Searched(FolderSlot::User));
    // The script's numbers: 1 main, 2-4 the cards, 5 the user folder.
    EXPECT_EQ(SlotOfNumber(1), FolderSlot::Main);
    EXPECT_EQ(SlotOfNumber(5), FolderSlot::User);
    EXPECT_FALSE(SlotOfNumber(0));
    EXPECT_FALSE(SlotOfNumber(6));
}

TEST_F(OpenBookTest, OpensBothKindsWithAbsolutePageOffsets) {
    for (BookKind kind : {BookKind::Cmb, BookKind::Cxb}) {
        BookPlan plan = Book(kind, 3);
        plan.title = "Volume 1";
        Put("book.bin", plan);
        ASSERT_TRUE(Open(u"book.bin", kind));
        EXPECT_TRUE(Shown().empty());
        EXPECT_EQ(state_.bookPath, u"\\book.bin");
        EXPECT_EQ(state_.bookTitle, u"Volume 1");
        EXPECT_EQ(state_.pageCount, 3);
        EXPECT_EQ(state_.slot, FolderSlot::User);
        EXPECT_EQ(state_.pageOffsets, PageOffsets(plan));
        EXPECT_EQ(state_.pageOffsets[0], kind == BookKind::Cmb ? 170u : 146u);
    }

    // An entry is a file offset, not one relative to the table.
    std::vector<uint8_t> bytes = BuildBook(Book(BookKind::Cxb, 1));
    bytes.resize(600);
    bytes[134] = 0;
    bytes[135] = 0;
    bytes[136] = 0x01;
    bytes[137] = 0xF4;
    Put("abs.cxb", bytes);
    ASSERT_TRUE(Open(u"abs.cxb", BookKind::Cxb));
    EXPECT_EQ(state_.pageOffsets, std::vector<uint32_t>{500});
}

TEST_F(OpenBookTest, OpensFromMainFolderAndCards) {
    folders_.documentsRoot = test_.device().shell().PersonalFolder();
    folders_.cardNames[1] = u"CF";
    const auto card = test_.AddCard(u"CF");
    std::filesystem::create_directories(card / "InkVISTA");
    std::filesystem::create_directories(test_.Host(folders_.documentsRoot + u"\\InkVISTA"));
    ASSERT_TRUE(encode::WriteFile((card / "InkVISTA" / "a.cmb").string(),
                                  BuildBook(Book(BookKind::Cmb, 1))));
    ASSERT_TRUE(encode::WriteFile(test_.Host(folders_.documentsRoot + u"\\InkVISTA\\b.cxb"),
                                  BuildBook(Book(BookKind::Cxb, 2))));

    ASSERT_TRUE(Told(OpenBook(test_.device().files(), state_, folders_, u"a.cmb", FolderSlot::Card2,
                              BookKind::Cmb, TextConversion::System)));
    EXPECT_EQ(state_.bookPath, u"\\CF\\InkVISTA\\a.cmb");
    ASSERT_TRUE(Told(OpenBook(test_.device().files(), state_, folders_, u"b.cxb", FolderSlot::Main,
                              BookKind::Cxb, TextConversion::System)));
    EXPECT_EQ(state_.pageCount, 2);
    EXPECT_TRUE(Shown().empty());
}

TEST_F(OpenBookTest, MagicMustMatchTheKindTheLibraryGave) {
    Put("x.cmb", Book(BookKind::Cmb, 1));
    BookPlan cxb = Book(BookKind::Cxb, 1);
    Put("x.cxb", cxb);
    ExpectRefused(u"x.cmb", BookKind::Cxb, kUnsupported);
    ExpectRefused(u"x.cxb", BookKind::Cmb, kUnsupported);

    cxb.magic = "XX";
    Put("y.cxb", cxb);
    ExpectRefused(u"y.cxb", BookKind::Cxb, kUnsupported);
}

TEST_F(OpenBookTest, ExtentLimitAndVariantBounds) {
    for (BookKind kind : {BookKind::Cmb, BookKind::Cxb}) {
        BookPlan plan = Book(kind, 1);
        plan.extentLimit = 320;
        Put("limit.bin", plan);
        EXPECT_TRUE(Open(u"limit.bin", kind));
        plan.extentLimit = 321;
        Put("limit.bin", plan);
        ExpectRefused(u"limit.bin", kind, kUnsupported);
    }
    for (uint16_t variant : {0, 4, 1, 2, 0x0400}) {
        BookPlan plan = Book(BookKind::Cxb, 1);
        plan.variant = variant;
        Put("v.cxb", plan);
        if (variant == 0 || variant == 4) {
            EXPECT_TRUE(Open(u"v.cxb", BookKind::Cxb)) << variant;
        } else {
            ExpectRefused(u"v.cxb", BookKind::Cxb, kUnsupported);
        }
    }
}

TEST_F(OpenBookTest, FilesThatCannotBeOpened) {
    ExpectRefused(u"missing.cmb", BookKind::Cmb, kOpenFailed);
    Put("slot.cmb", Book(BookKind::Cmb, 1));
    test_.messages().Clear();
    EXPECT_FALSE(
        Told(OpenBook(test_.device().files(), state_, folders_, u"slot.cmb",
                      static_cast<FolderSlot>(-1), BookKind::Cmb, TextConversion::System)));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{kOpenFailed});
}

TEST_F(OpenBookTest, PartsTheFileDoesNotHoldAreRefused) {
    for (BookKind kind : {BookKind::Cmb, BookKind::Cxb}) {
        const std::vector<uint8_t> whole = BuildBook(Book(kind, 4));
        const size_t table = kind == BookKind::Cmb ? 158 : 134;
        for (size_t size :
             {size_t{0}, size_t{2}, size_t{119}, size_t{120}, table - 1, table + 15}) {
            SCOPED_TRACE(size);
            Put("short.bin", std::vector<uint8_t>(whole.begin(), whole.begin() + size));
            ExpectRefused(u"short.bin", kind, kUnsupported);
        }
        // A table that needs more bytes than the whole file has.
        BookPlan plan = Book(kind, 1);
        plan.pageCountField = 0xFFFF;
        Put("big.bin", plan);
        ExpectRefused(u"big.bin", kind, kUnsupported);
    }
}

TEST_F(OpenBookTest, FailedOpenLeavesNoPagesOfThePreviousBook) {
    Put("good.cmb", Book(BookKind::Cmb, 2));
    ASSERT_TRUE(Open(u"good.cmb", BookKind::Cmb));
    ASSERT_EQ(state_.pageOffsets.size(), 2u);
    ExpectRefused(u"good.cmb", BookKind::Cxb, kUnsupported);
}

TEST_F(OpenBookTest, EmptyBookOpens) {
    Put("empty.cxb", Book(BookKind::Cxb, 0));
    ASSERT_TRUE(Open(u"empty.cxb", BookKind::Cxb));
    EXPECT_EQ(state_.pageCount, 0);
    EXPECT_TRUE(state_.pageOffsets.empty());
    EXPECT_TRUE(Shown().empty());
}

TEST_F(OpenBookTest, TitleFromTheHeaderOrTheFileName) {
    BookPlan plan = Book(BookKind::Cmb, 1);
    plan.chapter = "Chapter";
    Put("Untitled Book.cmb", plan);
    ASSERT_TRUE(Open(u"Untitled Book.cmb", BookKind::Cmb));
    EXPECT_EQ(state_.bookTitle, u"Untitled Book.cmb");

    plan.title = std::string(32, 'T');
    Put("full.cmb", plan);
    ASSERT_TRUE(Open(u"full.cmb", BookKind::Cmb));
    EXPECT_EQ(state_.bookTitle, std::u16string(32, u'T'));

    plan.title = "\xB0\xA1\xB0\x41";  // a syllable, then a pair outside the Hangul table
    Put("korean.cmb", plan);
    ASSERT_TRUE(Open(u"korean.cmb", BookKind::Cmb, TextConversion::KoreanTable));
    EXPECT_EQ(state_.bookTitle, u"\uAC00\uFFFDA");
    ASSERT_TRUE(Open(u"korean.cmb", BookKind::Cmb, TextConversion::System));
    EXPECT_EQ(state_.bookTitle, u"\uAC00\uCE9A");
}

}  // namespace
}  // namespace inkvista
