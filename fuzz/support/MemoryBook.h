// A book file that lives in memory, read through the port layer as any book
// is: the bytes go into an anonymous memory file (memfd), which the device
// sees as "\Mem\<fd>" through a mount on /proc/self/fd. Nothing touches a
// disk and nothing is created per input; one device serves every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "book/BookState.h"
#include "platform/Device.h"
#include "platform/Services.h"

namespace inkvista::fuzz {

// Message boxes that answer OK and count what they were shown.
class QuietMessageBoxes : public MessageBoxes {
  public:
    int Show(std::u16string_view, uint32_t) override {
        ++shown_;
        return IDOK;
    }
    int shown() const { return shown_; }

  private:
    int shown_ = 0;
};

class MemoryBook {
  public:
    MemoryBook();
    ~MemoryBook();
    MemoryBook(const MemoryBook&) = delete;
    MemoryBook& operator=(const MemoryBook&) = delete;

    // Makes the file hold exactly these bytes.
    void Replace(const uint8_t* data, size_t size);

    Device& device() { return *device_; }
    QuietMessageBoxes& messages() { return messages_; }
    // Slot 5 is the memory mount.
    const BookFolders& folders() const { return folders_; }
    static constexpr FolderSlot kSlot = FolderSlot::User;
    // The file's name in that folder and its whole device path.
    const std::u16string& fileName() const { return fileName_; }
    std::u16string devicePath() const { return folders_.userDir + u"\\" + fileName_; }
    // The file as a host path other readers can open.
    std::string hostPath() const;

  private:
    int fd_ = -1;
    QuietMessageBoxes messages_;
    VirtualClock clock_;
    std::unique_ptr<Device> device_;
    BookFolders folders_;
    std::u16string fileName_;
};

// The one memory book of a fuzz target.
MemoryBook& SharedMemoryBook();

}  // namespace inkvista::fuzz
