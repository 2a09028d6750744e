// Shell services: documents folder, storage cards, OEM string, power status,
// and the full-screen control and input panel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace inkvista {

// Flags of the shell's full-screen control (SHFullScreen).
constexpr uint32_t SHFS_SHOWTASKBAR = 0x01;
constexpr uint32_t SHFS_HIDETASKBAR = 0x02;
constexpr uint32_t SHFS_SHOWSIPBUTTON = 0x04;
constexpr uint32_t SHFS_HIDESIPBUTTON = 0x08;
constexpr uint32_t SHFS_SHOWSTARTICON = 0x10;
constexpr uint32_t SHFS_HIDESTARTICON = 0x20;

// What the full-screen control and the input panel were last told. On the
// desktop they change nothing on the screen; they are recorded for tests
// and scripts.
struct ShellChrome {
    bool taskBarHidden = false;
    bool inputPanelButtonShown = true;
    bool startIconHidden = false;
    bool inputPanelShown = false;
    // The flags of the latest full-screen calls, oldest first (at most
    // kKeptCalls of them, so a long run does not grow it without end).
    std::deque<uint32_t> fullScreenCalls;
    static constexpr size_t kKeptCalls = 32;
};

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

    // SHFullScreen: each flag shows or hides its element; a show and a hide
    // of the same element in one call leave the hide. Always succeeds.
    void FullScreen(uint32_t flags);
    // SipShowIM: shows or puts away the input panel.
    void ShowInputPanel(bool shown) { chrome_.inputPanelShown = shown; }
    const ShellChrome& chrome() const { return chrome_; }

  private:
    ShellChrome chrome_;
};

}  // namespace inkvista
