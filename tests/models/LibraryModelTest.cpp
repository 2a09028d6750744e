// The library model without a window: the card folders, the refresh as far
// as it goes, the folders handed to the book opener, its part of the state.
#include <gtest/gtest.h>

#include <filesystem>

#include "LibraryFixture.h"
#include "models/Json.h"
#include "models/LibraryModel.h"
#include "models/StorageCards.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

// A folder at the root that is no mounted card: only the fixed names find it.
void MakeRootFolder(TestDevice& test, const char* name) {
    std::filesystem::create_directories(test.root() / name);
}

std::vector<std::u16string> Names(const CardFolders& cards) {
    return std::vector<std::u16string>(cards.names.begin(), cards.names.begin() + cards.count);
}

class LibraryModelTest : public ::testing::Test {
  protected:
    void MakeRootFolder(const char* name) { inkvista::MakeRootFolder(test, name); }
    TestDevice test;
};

TEST_F(LibraryModelTest, CardsTheShellNamesComeFirstThenTheFixedNamesThatExist) {
    EXPECT_EQ(FindCardFolders(test.device()).count, 0);

    test.AddCard(u"SD");
    MakeRootFolder("Storage Card2");
    EXPECT_EQ(Names(FindCardFolders(test.device())),
              (std::vector<std::u16string>{u"SD", u"Storage Card2"}));

    // A card the shell already named is not named twice ...
    test.AddCard(u"Storage Card2");
    EXPECT_EQ(Names(FindCardFolders(test.device())),
              (std::vector<std::u16string>{u"SD", u"Storage Card2"}));
}

TEST_F(LibraryModelTest, TheDuplicateRuleComparesLetterCase) {
    // ... but "\Storage Card" found through a card named in other letters is.
    test.AddCard(u"storage card");
    EXPECT_EQ(Names(FindCardFolders(test.device())),
              (std::vector<std::u16string>{u"storage card", u"Storage Card"}));
}

TEST_F(LibraryModelTest, AtMostThreeCards) {
    for (const char16_t* name : {u"A", u"B", u"C", u"D"}) test.AddCard(name);
    MakeRootFolder("Storage Card");
    const CardFolders cards = FindCardFolders(test.device());
    EXPECT_EQ(Names(cards), (std::vector<std::u16string>{u"A", u"B", u"C"}));

    TestDevice other;
    other.AddCard(u"A");
    inkvista::MakeRootFolder(other, "Storage Card3");
    inkvista::MakeRootFolder(other, "Storage Card");
    inkvista::MakeRootFolder(other, "Storage Card2");
    // The fixed names in their own order, up to the third card.
    EXPECT_EQ(Names(FindCardFolders(other.device())),
              (std::vector<std::u16string>{u"A", u"Storage Card", u"Storage Card2"}));
}

TEST_F(LibraryModelTest, ProbesAnswerWhetherTheTwoCardsExist) {
    EXPECT_EQ(ProbeStorageCard(test.device()), 0);
    EXPECT_EQ(ProbeStorageCard2(test.device()), 0);
    test.AddCard(u"Storage Card2");
    EXPECT_EQ(ProbeStorageCard(test.device()), 0);
    EXPECT_EQ(ProbeStorageCard2(test.device()), 1);
    MakeRootFolder("Storage Card");
    EXPECT_EQ(ProbeStorageCard(test.device()), 1);
}

TEST_F(LibraryModelTest, RefreshFindsTheFoldersAndProbesCardsOnlyOnTheLoox) {
    RecordingLibraryHost host;
    LibraryModel library(test.device(), host);
    test.AddCard(u"Storage Card");
    RefreshReport report = library.Refresh();
    EXPECT_EQ(library.documentsRoot(), u"\\My Documents");
    EXPECT_EQ(library.cardCount(), 1);
    EXPECT_EQ(library.cardNames()[0], u"Storage Card");
    EXPECT_FALSE(report.cardsProbed);
    EXPECT_TRUE(library.entries().empty());

    LibrarySettings settings;
    settings.isLoox = true;
    library.SetSettings(settings);
    report = library.Refresh();
    EXPECT_TRUE(report.cardsProbed);
    EXPECT_EQ(report.card1Present, 1);
    EXPECT_EQ(report.card2Present, 0);

    // A card gone is forgotten at the next refresh.
    test.device().RemoveCard(u"Storage Card");
    report = library.Refresh();
    EXPECT_EQ(library.cardCount(), 0);
    EXPECT_EQ(report.card1Present, 0);
}

TEST_F(LibraryModelTest, FoldersForTheOpenerComeFromTheLastRefreshAndTheSettings) {
    RecordingLibraryHost host;
    LibraryModel library(test.device(), host);
    test.AddCard(u"SD");
    test.AddCard(u"CF");
    LibrarySettings settings;
    ASSERT_TRUE(SetUserDirText(settings.userDir, u"\\Comics"));
    library.SetSettings(settings);
    EXPECT_TRUE(library.Folders().documentsRoot.empty());  // no refresh yet
    library.Refresh();
    const BookFolders folders = library.Folders();
    EXPECT_EQ(folders.documentsRoot, u"\\My Documents");
    EXPECT_EQ(folders.cardNames[0], u"SD");
    EXPECT_EQ(folders.cardNames[1], u"CF");
    EXPECT_TRUE(folders.cardNames[2].empty());
    EXPECT_EQ(folders.userDir, u"\\Comics");
}

TEST_F(LibraryModelTest, SelectionAndOpenRequestAreKeptAndTheSelectionWrittenToState) {
    RecordingLibraryHost host;
    LibraryModel library(test.device(), host);
    EXPECT_EQ(library.selectedIndex(), 0);
    library.Select(3);
    OpenRequest request;
    request.fileName = u"b.cxb";
    request.bookmarkPage = 7;
    request.slot = FolderSlot::Card1;
    request.kind = BookKind::Cxb;
    library.SetOpenRequest(request);
    library.Refresh();
    EXPECT_EQ(library.selectedIndex(), 3);
    EXPECT_EQ(library.openRequest().fileName, u"b.cxb");
    EXPECT_EQ(library.openRequest().bookmarkPage, 7);
    EXPECT_EQ(library.openRequest().kind, BookKind::Cxb);

    JsonValue list;
    library.WriteState(list);
    ASSERT_NE(list.Find("selectedIndex"), nullptr);
    EXPECT_EQ(list.Find("selectedIndex")->number(), 3);
}

}  // namespace
}  // namespace inkvista
