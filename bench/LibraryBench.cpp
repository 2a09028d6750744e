// A library refresh of 10,000 books in five folders (the documents folder,
// three cards, the user folder): the listing, every header read, the
// bookmark pass over five files and the text of every row, beside a bare
// loop that opens, reads 120 bytes from and closes the same files.
// bench/ratios.py prints the ratio of docs/performance.md.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "models/LibraryHost.h"
#include "models/LibraryModel.h"
#include "models/LibraryRows.h"
#include "support/TestDevice.h"

namespace inkvista {
namespace {

constexpr int kBooks = 10000;
constexpr int kFolders = 5;

class NoHost : public LibraryHost {
  public:
    void PostPopupMessage() override {}
    void RefreshLibrary() override {}
    void ShowBookInfo(const ListBookInfo&) override {}
    void OpenRequestedBook() override {}
    bool MoveToTrash(const std::filesystem::path&) override { return false; }
    void ShowMessage(std::u16string_view) override {}
    bool Confirm(std::u16string_view) override { return false; }
};

struct Shelf {
    TestDevice test;
    NoHost host;
    LibraryModel library{test.device(), host};
    std::vector<std::filesystem::path> files;

    Shelf() {
        std::vector<std::filesystem::path> folders = {test.root() / "My Documents" / "InkVISTA"};
        for (const char16_t* card : {u"SD", u"CF", u"USB"}) {
            folders.push_back(test.AddCard(card) / "InkVISTA");
        }
        folders.push_back(test.root() / "Comics");
        LibrarySettings settings;
        SetUserDirText(settings.userDir, u"\\Comics");
        library.SetSettings(settings);
        std::vector<char> header(120 + 4096, 0);
        for (int i = 0; i < kBooks; ++i) {
            const std::filesystem::path& folder = folders[static_cast<size_t>(i % kFolders)];
            std::filesystem::create_directories(folder);
            const std::string name = "book" + std::to_string(i) + (i % 3 ? ".cmb" : ".cxb");
            const std::string title = "Title " + std::to_string(i);
            header[26] = 0;
            header[27] = static_cast<char>(1 + i % 200);
            std::copy(title.begin(), title.end(), header.begin() + 28);
            std::ofstream(folder / name, std::ios::binary).write(header.data(), 4216);
            files.push_back(folder / name);
        }
        library.Refresh();  // the bookmark files exist from now on
    }
};

Shelf& TheShelf() {
    static Shelf shelf;
    return shelf;
}

void LibraryRefresh(benchmark::State& state) {
    Shelf& shelf = TheShelf();
    size_t characters = 0;
    for (auto _ : state) {
        shelf.library.Refresh();
        const LibraryModel& library = shelf.library;
        for (const BookEntry& entry : library.entries()) {
            characters += RowTitle(entry, library.showFileName()).size();
            characters += RowSecondColumn(entry, library.showSize()).size();
        }
        if (library.entries().size() != kBooks) state.SkipWithError("books missing");
    }
    benchmark::DoNotOptimize(characters);
}

void LibraryBareReads(benchmark::State& state) {
    Shelf& shelf = TheShelf();
    char header[120];
    for (auto _ : state) {
        for (const std::filesystem::path& file : shelf.files) {
            const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            benchmark::DoNotOptimize(::read(fd, header, sizeof header));
            ::close(fd);
        }
    }
}

BENCHMARK(LibraryRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(LibraryBareReads)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace inkvista
