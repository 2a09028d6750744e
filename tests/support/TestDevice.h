// A device on a temporary folder, for tests, benchmarks and fuzz targets:
// the root (with "My Documents"), the cards and the registry file inside it;
// recording message boxes and a virtual clock. The folder is removed with
// the object.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Device.h"
#include "platform/Services.h"

namespace inkvista {

class TestDevice {
  public:
    TestDevice();
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    Device& device() { return *device_; }
    RecordingMessageBoxes& messages() { return messages_; }
    VirtualClock& clock() { return clock_; }
    const std::filesystem::path& root() const { return root_; }
    // Host path of a device path (which need not exist yet).
    std::filesystem::path Host(std::u16string_view devicePath) const;
    // Adds a card folder "<base>/cards/NAME" (outside the root) seen as "\NAME".
    std::filesystem::path AddCard(const std::u16string& name);
    // The temporary folder holding the root, the cards and the registry file.
    const std::filesystem::path& base() const { return base_; }

  private:
    std::filesystem::path base_;
    std::filesystem::path root_;
    RecordingMessageBoxes messages_;
    VirtualClock clock_;
    std::unique_ptr<Device> device_;
};

}  // namespace inkvista
