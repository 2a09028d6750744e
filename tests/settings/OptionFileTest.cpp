#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Device.h"
#include "settings/OptionFile.h"
#include "settings/TextConversion.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

using Bytes = std::vector<uint8_t>;

class OptionFileTest : public ::testing::Test {
  protected:
    void TearDown() override { SetWriteFaultHook({}); }
    void SetUp() override {
        ASSERT_TRUE(test_.device().files().CreateDirectory(test_.device().shell().PersonalFolder() +
                                                           u"\\InkVISTA"));
    }

    std::filesystem::path HostFile() { return test_.Host(OptionFilePath(test_.device())); }

    Bytes ReadHostFile() {
        std::ifstream in(HostFile(), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void WriteHostFile(const Bytes& bytes) {
        std::ofstream out(HostFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    TestDevice test_;
};

Bytes DefaultFileBytes() {
    return {0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00,
            0x02, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00,
            0x08, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
            0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
}

TEST_F(OptionFileTest, PathIsInTheProgramFolderOfThePersonalFolder) {
    EXPECT_EQ(OptionFilePath(test_.device()), u"\\My Documents\\InkVista\\InkVISTA.opt");
}

TEST_F(OptionFileTest, FirstStartCreatesTheFileWithTheDefaults) {
    ViewOption view;
    view.Assign(0x01010101, 0x0101, 240, 5);
    KeyMap keys;
    const uint32_t other[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    keys.Assign(other);

    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
    EXPECT_EQ(ReadHostFile(), DefaultFileBytes());
    EXPECT_EQ(view, ViewOption{});
    EXPECT_EQ(keys, KeyMap{});

    // The next start reads what the first one wrote.
    view.Assign(0x01010101, 0x0101, 240, 5);
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
    EXPECT_EQ(view, ViewOption{});
}

TEST_F(OptionFileTest, StoredValuesAreTakenAsTheyAre) {
    Bytes bytes = {1, 0, 1, 0, 1, 1, 0xAA, 0xBB, 77, 0, 0, 0, 9, 0, 0, 0};
    for (uint32_t action = 0; action < 8; ++action) {
        const uint32_t v = 0x100 * action + 11 - action;
        bytes.insert(bytes.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), 0, 0});
    }
    WriteHostFile(bytes);

    ViewOption view;
    KeyMap keys;
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
    EXPECT_EQ(view.portrait, 1);
    EXPECT_EQ(view.smoothScroll, 0);
    EXPECT_EQ(view.fitToWindow, 1);
    EXPECT_EQ(view.tabScroll, 0);
    EXPECT_EQ(view.showHiddenFiles, 1);  // start-up clears it, not the loader
    EXPECT_EQ(view.koreanPatch, 1);
    EXPECT_EQ(view.scrollRange, 77u);  // not one of the listed steps: kept
    EXPECT_EQ(view.autoScrollSec, 9u);
    EXPECT_EQ(view.reserved[0], 0);  // never taken from the file
    EXPECT_EQ(view.reserved[1], 0);
    EXPECT_EQ(keys.hotKey(kHotKey1), 11u);
    EXPECT_EQ(keys.hotKey(kDownKey), 0x700u + 4);
    EXPECT_EQ(TextConversionFor(view), TextConversion::KoreanTable);
    EXPECT_EQ(ReadHostFile(), bytes);  // loading never writes
}

TEST_F(OptionFileTest, ShortFileTakesDefaultsForWholeFieldsItLacks) {
    const Bytes full = {1, 0, 1, 0, 1, 1, 0, 0, 200, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0,
                        5, 0, 0, 0, 5, 0, 0, 0, 5,   0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0};
    const ViewOption defaults;
    for (size_t size : {0u, 3u, 6u, 10u, 12u, 15u, 16u, 22u, 47u}) {
        SCOPED_TRACE(size);
        WriteHostFile(Bytes(full.begin(), full.begin() + static_cast<long>(size)));
        ViewOption view;
        KeyMap keys;
        EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
        EXPECT_EQ(view.portrait, size > 0 ? 1 : defaults.portrait);
        EXPECT_EQ(view.tabScroll, size > 3 ? 0 : defaults.tabScroll);
        EXPECT_EQ(view.koreanPatch, size > 5 ? 1 : defaults.koreanPatch);
        // A number the file ends inside is not taken in part.
        EXPECT_EQ(view.scrollRange, size >= 12 ? 200u : defaults.scrollRange);
        EXPECT_EQ(view.autoScrollSec, size >= 16 ? 4u : defaults.autoScrollSec);
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(keys.entries[i], size >= 20 + 4 * i ? 5u : KeyMap{}.entries[i]) << i;
        }
    }
}

TEST_F(OptionFileTest, MissingFolderGivesDefaultsAndTheLoadMessage) {
    std::filesystem::remove_all(HostFile().parent_path());
    ViewOption view;
    view.Assign(1, 0, 80, 1);
    KeyMap keys;
    keys.entries[0] = 3;
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::Load);
    EXPECT_EQ(view, ViewOption{});
    EXPECT_EQ(keys, KeyMap{});
    EXPECT_FALSE(std::filesystem::exists(HostFile()));
}

TEST_F(OptionFileTest, MissingFileThatCannotBeCreated) {
    // A dangling link: the file is missing to an open, yet cannot be made new.
    std::filesystem::create_symlink(test_.root() / "nowhere" / "file", HostFile());
    ViewOption view;
    view.Assign(1, 0, 80, 1);
    KeyMap keys;
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::Load);
    EXPECT_EQ(view, ViewOption{});
    EXPECT_EQ(keys, KeyMap{});

    // The next start tries again.
    std::filesystem::remove(HostFile());
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
    EXPECT_EQ(ReadHostFile(), DefaultFileBytes());
}

TEST_F(OptionFileTest, UnreadableFileGivesDefaultsAndIsLeftAlone) {
    std::filesystem::create_directory(HostFile());
    ViewOption view;
    view.Assign(1, 0, 80, 1);
    KeyMap keys;
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::Load);
    EXPECT_EQ(view, ViewOption{});
    EXPECT_TRUE(std::filesystem::is_directory(HostFile()));
}

TEST_F(OptionFileTest, SaveOverwritesTheStartOfTheExistingFile) {
    Bytes longer = DefaultFileBytes();
    longer.insert(longer.end(), {0xDE, 0xAD});
    WriteHostFile(longer);
    ViewOption view;
    view.Assign(0x00000101, 0x0100, 240, 0);
    KeyMap keys;
    keys.hotKey(kUpKey) = 7;

    EXPECT_EQ(SaveOptions(test_.device(), view, keys), OptionFileError::None);
    const Bytes stored = ReadHostFile();
    ASSERT_EQ(stored.size(), 50u);  // not truncated
    const auto expected = OptionDataBytes(view, keys);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), stored.begin()));
    EXPECT_EQ(stored[48], 0xDE);

    ViewOption loaded;
    KeyMap loadedKeys;
    EXPECT_EQ(LoadOptions(test_.device(), loaded, loadedKeys), OptionFileError::None);
    EXPECT_EQ(loaded, view);
    EXPECT_EQ(loadedKeys, keys);
}

TEST_F(OptionFileTest, SaveNeverRecreatesADeletedFile) {
    ViewOption view;
    KeyMap keys;
    ASSERT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
    std::filesystem::remove(HostFile());

    EXPECT_EQ(SaveOptions(test_.device(), view, keys), OptionFileError::Write);
    EXPECT_FALSE(std::filesystem::exists(HostFile()));
}

TEST_F(OptionFileTest, SaveThatCannotOpenOtherwiseShowsTheLoadMessage) {
    WriteHostFile(DefaultFileBytes());
    std::filesystem::permissions(HostFile(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    ViewOption view;
    view.portrait = 1;
    EXPECT_EQ(SaveOptions(test_.device(), view, KeyMap{}), OptionFileError::Load);
    EXPECT_EQ(ReadHostFile(), DefaultFileBytes());

    std::filesystem::remove_all(HostFile().parent_path());
    EXPECT_EQ(SaveOptions(test_.device(), view, KeyMap{}), OptionFileError::Load);
    EXPECT_FALSE(std::filesystem::exists(HostFile().parent_path()));
}

// Names in the program folder other than the option file itself: a failed
// write must leave no temporary behind.
std::vector<std::string> Others(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        if (e.path().filename() != "InkVISTA.opt") names.push_back(e.path().filename().string());
    }
    return names;
}

constexpr WriteStep kEveryStep[] = {WriteStep::CreateTemporary, WriteStep::Write,
                                    WriteStep::FlushFile, WriteStep::Rename,
                                    WriteStep::FlushFolder};

TEST_F(OptionFileTest, ASaveThatFailsAtAnyStepLeavesTheOldFile) {
    Bytes old = DefaultFileBytes();
    old.insert(old.end(), {0xDE, 0xAD});
    ViewOption view;
    view.Assign(0x01010101, 0x0101, 240, 5);
    KeyMap keys;
    keys.hotKey(kHotKey1) = 3;
    const auto records = OptionDataBytes(view, keys);
    Bytes wanted(records.begin(), records.end());
    wanted.insert(wanted.end(), {0xDE, 0xAD});
    for (WriteStep failing : kEveryStep) {
        SCOPED_TRACE(static_cast<int>(failing));
        WriteHostFile(old);
        SetWriteFaultHook([failing](WriteStep s) { return s != failing; });
        EXPECT_EQ(SaveOptions(test_.device(), view, keys), OptionFileError::Write);
        SetWriteFaultHook({});
        // Past the rename only the flush of the folder is missing: the new
        // file is whole, never a mix.
        EXPECT_EQ(ReadHostFile(), failing == WriteStep::FlushFolder ? wanted : old);
        EXPECT_TRUE(Others(HostFile().parent_path()).empty());
    }
}

TEST_F(OptionFileTest, AFailedFirstStartLeavesNoFileAndSaysSo) {
    for (WriteStep failing : kEveryStep) {
        SCOPED_TRACE(static_cast<int>(failing));
        std::filesystem::remove(HostFile());
        ViewOption view;
        view.Assign(1, 0, 80, 1);
        KeyMap keys;
        keys.entries[0] = 3;
        SetWriteFaultHook([failing](WriteStep s) { return s != failing; });
        EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::Load);
        SetWriteFaultHook({});
        EXPECT_EQ(view, ViewOption{});
        EXPECT_EQ(keys, KeyMap{});
        if (failing == WriteStep::FlushFolder) {
            EXPECT_EQ(ReadHostFile(), DefaultFileBytes());
        } else {
            EXPECT_FALSE(std::filesystem::exists(HostFile()));  // not even empty
        }
        EXPECT_TRUE(Others(HostFile().parent_path()).empty());
    }
    // The next start makes it.
    std::filesystem::remove(HostFile());
    ViewOption view;
    KeyMap keys;
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
    EXPECT_EQ(ReadHostFile(), DefaultFileBytes());
}

TEST_F(OptionFileTest, FirstStartNeverReplacesAFileThatAppearedMeanwhile) {
    const Bytes theirs = {7, 7, 7};
    // Another start writes its file just before ours would be put in place.
    SetWriteFaultHook([&](WriteStep s) {
        if (s == WriteStep::Rename) WriteHostFile(theirs);
        return true;
    });
    ViewOption view;
    KeyMap keys;
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::Load);
    SetWriteFaultHook({});
    EXPECT_EQ(ReadHostFile(), theirs);
    EXPECT_TRUE(Others(HostFile().parent_path()).empty());
}

TEST_F(OptionFileTest, ASaveKeepsTheFilesAttributesModeAndLink) {
    const std::filesystem::path real = test_.base() / "shared" / "options.bin";
    std::filesystem::create_directories(real.parent_path());
    {
        std::ofstream out(real, std::ios::binary);
        const Bytes bytes = DefaultFileBytes();
        out.write(reinterpret_cast<const char*>(bytes.data()), 48);
    }
    std::filesystem::permissions(real, std::filesystem::perms(0640));
    std::filesystem::create_symlink(real, HostFile());
    FileSystem& files = test_.device().files();
    const std::u16string path = OptionFilePath(test_.device());
    const bool attributes =
        files.SetAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);

    ViewOption view;
    view.portrait = 1;
    ASSERT_EQ(SaveOptions(test_.device(), view, KeyMap{}), OptionFileError::None);
    EXPECT_TRUE(std::filesystem::is_symlink(HostFile()));
    EXPECT_EQ(ReadHostFile()[0], 1);
    EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
    if (attributes) {
        EXPECT_EQ(files.GetAttributes(path), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(real.parent_path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(OptionFileTest, TemporariesOfACrashedSaveGoAtTheNextStart) {
    WriteHostFile(DefaultFileBytes());
    const std::filesystem::path stale =
        HostFile().parent_path() / ".InkVISTA.opt.inkvista-Ab12Cd.tmp";
    std::ofstream(stale) << "half";
    const std::filesystem::file_time_type hourAgo =
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(stale, hourAgo);
    ViewOption view;
    KeyMap keys;
    EXPECT_EQ(LoadOptions(test_.device(), view, keys), OptionFileError::None);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(ReadHostFile(), DefaultFileBytes());
}

}  // namespace
}  // namespace inkvista
