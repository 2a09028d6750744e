// A device for commands that read one book file from the host, so that the
// reader's own OpenBook and LoadPage read it: the book's folder is seen as the
// card "\Book" and is the user folder (slot 5), so the book is "\Book\NAME".
// The device's root is a path that cannot exist, below a device file, so
// nothing the device sets up (its documents folder) lands anywhere, and a
// killed run leaves nothing behind. The reader's message boxes become lines
// on stderr.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "book/BookState.h"
#include "book/OpenBook.h"
#include "platform/Device.h"

namespace inkvista::tool {

class StderrMessageBoxes : public MessageBoxes {
  public:
    int Show(std::u16string_view text, uint32_t type) override;
    int shown() const { return shown_; }
    // A progress line is standing unfinished on stderr: a message first ends it.
    void SetLineOpen(bool open) { lineOpen_ = open; }
    // Ends an unfinished progress line.
    void EndLine();

  private:
    int shown_ = 0;
    bool lineOpen_ = false;
};

class ToolBook {
  public:
    ToolBook() = default;
    ToolBook(const ToolBook&) = delete;
    ToolBook& operator=(const ToolBook&) = delete;

    // False with `error` set when `path` names no .cmb or .cxb file, or one
    // that cannot be read (with the system's reason). `kind` overrides what
    // the extension says.
    bool Locate(const std::string& path, std::string* error,
                std::optional<BookKind> kind = std::nullopt);

    Device& device() { return *device_; }
    FileSystem& files() { return device_->files(); }
    // OpenBook on this book; its refusal goes to stderr in the reader's words.
    bool Open(BookState& state);
    StderrMessageBoxes& messages() { return messages_; }
    const BookFolders& folders() const { return folders_; }
    const std::u16string& fileName() const { return fileName_; }
    BookKind kind() const { return kind_; }
    static constexpr FolderSlot kSlot = FolderSlot::User;

  private:
    StderrMessageBoxes messages_;
    VirtualClock clock_;
    std::unique_ptr<Device> device_;
    BookFolders folders_;
    std::u16string fileName_;
    BookKind kind_ = BookKind::Cmb;
};

}  // namespace inkvista::tool
