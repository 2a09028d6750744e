// Shell services: documents folder, storage cards, OEM string, power status.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace inkvista {

class Shell {
  public:
    virtual ~Shell() = default;
    // The personal documents folder (special folder 5) as a device path:
    // u"\\My Documents".
    virtual std::u16string PersonalFolder() const = 0;
    // Storage cards in enumeration order, as folder names below "\"
    // (u"Storage Card", …).
    virtual std::vector<std::u16string> StorageCards() const = 0;
    virtual std::u16string OemInfo() const = 0;
    // Battery life in percent, 255 when unknown or without a battery.
    virtual uint8_t BatteryPercent() const = 0;
};

}  // namespace inkvista
