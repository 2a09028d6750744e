// One object bundling the handheld's services. The launcher builds the
// desktop one from DeviceOptions; tests build one on a temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Power.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Shell.h"

namespace inkvista {

struct DeviceOptions {
    // What "\" stands for. Unset: the host root "/", "\My Documents" is the
    // XDG documents folder and cards are the mounted removable volumes.
    std::optional<std::filesystem::path> root;
    // With a root: each card NAME seen as "\NAME".
    std::vector<std::pair<std::u16string, std::filesystem::path>> cards;
    // Unset: $XDG_CONFIG_HOME/InkVISTA/registry.reg.
    std::optional<std::filesystem::path> registryFile;
    std::u16string oem = u"InkVISTA Desktop";
    std::optional<int> battery;  // fixed battery percentage
};

class Device {
  public:
    // `messages` and `timers` outlive the device.
    Device(const DeviceOptions& options, MessageBoxes& messages, TimerService& timers);
    ~Device();

    FileSystem& files() { return *files_; }
    Registry& registry() { return *registry_; }
    Shell& shell() { return *shell_; }
    MessageBoxes& messages() { return *messages_; }
    TimerService& timers() { return *timers_; }
    Power& power() { return power_; }
    const Power& power() const { return power_; }
    const DeviceOptions& options() const { return options_; }

    // A card appears or goes (script mode, tests, the desktop mount watcher).
    void InsertCard(const std::u16string& name, const std::filesystem::path& dir);
    bool RemoveCard(const std::u16string& name);
    // A host folder seen as "\NAME" that is no storage card (a book folder
    // named on the command line); it stays for the run. False for a name
    // that cannot be mounted or is taken.
    bool AddFolderMount(const std::u16string& name, const std::filesystem::path& dir);
    bool IsFolderMount(std::u16string_view name) const;
    // Re-reads the host's removable mounts (desktop mapping only); true when
    // the set changed, with `arrived` telling which way.
    bool RefreshMounts(bool* arrived);

    // The host folder "\My Documents" stands for.
    const std::filesystem::path& documentsFolder() const { return documents_; }

  private:
    DeviceOptions options_;
    std::filesystem::path documents_;
    // Cards found among the host's removable mounts (desktop mapping only).
    std::vector<std::u16string> mountedCards_;
    std::vector<std::u16string> folderMounts_;
    MessageBoxes* messages_;
    TimerService* timers_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Shell> shell_;
    Power power_;
};

// A name a storage card can have, seen as "\NAME": a PathMapper mount name
// other than "My Documents" (in any case), which is the documents folder.
bool ValidCardName(std::u16string_view name);

// Parses the device options of the launcher (--root DIR, --card NAME=DIR,
// --registry FILE, --oem TEXT, --battery N) at args[i]; advances i past what
// it took. Answers false with `error` set for a bad value; `matched` tells
// whether args[i] was a device option at all.
bool ParseDeviceOption(const std::vector<std::string>& args, size_t& i, DeviceOptions& options,
                       bool* matched, std::string* error);
// The help lines for those options.
const char* DeviceOptionsHelp();
// $XDG_CONFIG_HOME/InkVISTA/registry.reg (~/.config when unset).
std::filesystem::path DefaultRegistryFile();
// The removable volumes mounted for `user` (direct children of /media/USER
// and /run/media/USER) in a mount table as /proc/self/mounts gives it, in
// its order: card name and mount point.
std::vector<std::pair<std::u16string, std::filesystem::path>> RemovableMountsIn(
    const std::string& mountTable, const std::string& user);
// The capacity of the first battery in a folder like /sys/class/power_supply;
// 255 when there is none.
uint8_t BatteryPercentIn(const std::filesystem::path& powerSupplies);

}  // namespace inkvista
