// A library model on a test device, with a host that records what the model
// asks of its window, and book files written byte by byte: only the 120-byte
// header matters to the library.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "models/LibraryHost.h"
#include "models/LibraryModel.h"
#include "platform/Win32.h"
#include "support/TestDevice.h"

namespace inkvista {

class RecordingLibraryHost : public LibraryHost {
  public:
    void PostPopupMessage() override { ++popups; }
    void RefreshLibrary() override {
        ++refreshes;
        if (model) model->Refresh();
    }
    void ShowBookInfo(const ListBookInfo& info) override { infos.push_back(info); }
    void OpenRequestedBook() override { ++opens; }
    void ShowMessage(std::u16string_view text) override { messages->Show(text); }
    bool Confirm(std::u16string_view question) override {
        return messages->Show(question, MB_OKCANCEL) == IDOK;
    }
    bool MoveToTrash(const std::filesystem::path& hostFile) override {
        trashed.push_back(hostFile);
        if (!trashWorks) return false;
        std::filesystem::remove(hostFile);
        return true;
    }

    LibraryModel* model = nullptr;
    MessageBoxes* messages = nullptr;
    int popups = 0;
    int refreshes = 0;
    int opens = 0;
    bool trashWorks = true;
    std::vector<ListBookInfo> infos;
    std::vector<std::filesystem::path> trashed;
};

// The first 120 bytes of a book: page count at 26 (big-endian), title at 28,
// publisher at 100.
inline std::vector<uint8_t> Header(const std::string& title, uint16_t pages,
                                   const std::string& publisher = "") {
    std::vector<uint8_t> bytes(120, 0);
    bytes[26] = static_cast<uint8_t>(pages >> 8);
    bytes[27] = static_cast<uint8_t>(pages & 0xFF);
    for (size_t i = 0; i < title.size() && i < 32; ++i) bytes[28 + i] = title[i];
    for (size_t i = 0; i < publisher.size() && i < 20; ++i) bytes[100 + i] = publisher[i];
    return bytes;
}

inline void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A bookmark file's bytes for ASCII text: UTF-16LE.
inline std::string Utf16Le(const std::string& text) {
    std::string bytes;
    for (char c : text) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

class LibraryFixture : public ::testing::Test {
  protected:
    LibraryFixture() : library(test.device(), host) {
        host.model = &library;
        host.messages = &test.messages();
    }

    std::filesystem::path MainFolder() { return test.root() / "My Documents" / "InkVISTA"; }
    void Book(const std::filesystem::path& folder, const std::string& name,
              const std::string& title = "T", uint16_t pages = 10) {
        WriteBytes(folder / name, Header(title, pages));
    }
    void Book(const std::string& name, const std::string& title = "T", uint16_t pages = 10) {
        Book(MainFolder(), name, title, pages);
    }
    std::vector<std::u16string> FileNames() const {
        std::vector<std::u16string> names;
        for (const BookEntry& e : library.entries()) names.push_back(e.fileName);
        return names;
    }
    const std::vector<std::u16string>& Shown() { return test.messages().shown(); }

    TestDevice test;
    RecordingLibraryHost host;
    LibraryModel library;
};

}  // namespace inkvista
