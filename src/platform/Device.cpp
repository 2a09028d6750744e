#include "platform/Device.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/CommandLine.h"
#include "platform/HostDir.h"
#include "platform/HostNames.h"
#include "platform/Text.h"

namespace inkvista {

namespace {

constexpr char16_t kDocumentsName[] = u"My Documents";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::filesystem::path HomeFolder() {
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir ? pw->pw_dir : "";
    }
    return home.empty() ? std::filesystem::path("/") : std::filesystem::path(home);
}

std::string UserName() {
    std::string user = Env("USER");
    if (user.empty()) {
        if (const passwd* pw = getpwuid(getuid())) user = pw->pw_name ? pw->pw_name : "";
    }
    return user;
}

std::filesystem::path ConfigHome() {
    const std::string xdg = Env("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg[0] == '/') return xdg;
    return HomeFolder() / ".config";
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs when it is a plain "$HOME/..." or
// absolute path; ~/Documents otherwise.
std::filesystem::path XdgDocumentsFolder() {
    const std::filesystem::path home = HomeFolder();
    std::ifstream in(ConfigHome() / "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        if (line.compare(0, key.size(), key) != 0) continue;
        const size_t close = line.find('"', key.size());
        if (close == std::string::npos) break;
        const std::string value = line.substr(key.size(), close - key.size());
        if (value.find('\\') != std::string::npos) break;
        std::filesystem::path folder;
        if (value.compare(0, 6, "$HOME/") == 0) {
            folder = home / value.substr(6);
        } else if (!value.empty() && value[0] == '/') {
            folder = value;
        } else {
            break;
        }
        // A documents folder equal to home means "disabled" to the XDG tools.
        if (folder.lexically_normal() == home.lexically_normal() ||
            folder.lexically_normal() == (home / "").lexically_normal()) {
            break;
        }
        return folder;
    }
    return home / "Documents";
}

// Undoes the octal escapes (\040 for a space) of /proc/self/mounts.
std::string UnescapeMountField(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7' &&
            s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out.push_back(
                static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

class DeviceShell : public Shell {
  public:
    DeviceShell(const Device& device, const FileSystem& files) : device_(device), files_(files) {}

    std::u16string PersonalFolder() const override {
        return std::u16string(u"\\") + kDocumentsName;
    }

    std::vector<std::u16string> StorageCards() const override {
        std::vector<std::u16string> cards;
        for (const PathMapper::Mount& m : files_.mapper().mounts()) {
            if (EqualsNoCase(m.name, kDocumentsName) || device_.IsFolderMount(m.name)) continue;
            struct stat st;
            if (stat(m.host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) cards.push_back(m.name);
        }
        return cards;
    }

    std::u16string OemInfo() const override { return device_.options().oem; }

    uint8_t BatteryPercent() const override {
        if (device_.options().battery) {
            return static_cast<uint8_t>(std::clamp(*device_.options().battery, 0, 255));
        }
        return BatteryPercentIn("/sys/class/power_supply");
    }

  private:
    const Device& device_;
    const FileSystem& files_;
};

bool IsDirectory(const std::filesystem::path& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool ValidCardName(std::u16string_view name) {
    return PathMapper::ValidMountName(name) && !EqualsNoCase(name, kDocumentsName);
}

std::vector<std::pair<std::u16string, std::filesystem::path>> RemovableMountsIn(
    const std::string& mountTable, const std::string& user) {
    std::vector<std::pair<std::u16string, std::filesystem::path>> found;
    if (user.empty()) return found;
    const std::string bases[] = {"/media/" + user + "/", "/run/media/" + user + "/"};
    std::istringstream in(mountTable);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        if (!(fields >> device >> mountPoint)) continue;
        mountPoint = UnescapeMountField(mountPoint);
        for (const std::string& base : bases) {
            if (mountPoint.size() <= base.size() || mountPoint.compare(0, base.size(), base) != 0) {
                continue;
            }
            const std::string leaf = mountPoint.substr(base.size());
            if (leaf.find('/') != std::string::npos) continue;
            const std::u16string name = DeviceName(leaf);
            if (!ValidCardName(name)) continue;
            const bool seen = std::any_of(found.begin(), found.end(), [&](const auto& f) {
                return EqualsNoCase(f.first, name);
            });
            if (!seen) found.emplace_back(name, mountPoint);
        }
    }
    return found;
}

uint8_t BatteryPercentIn(const std::filesystem::path& powerSupplies) {
    std::error_code ec;
    std::vector<std::filesystem::path> supplies;
    for (std::filesystem::directory_iterator it(powerSupplies, ec), end; !ec && it != end;
         it.increment(ec)) {
        supplies.push_back(it->path());
    }
    std::sort(supplies.begin(), supplies.end());
    for (const auto& supply : supplies) {
        std::ifstream typeFile(supply / "type");
        std::string type;
        if (!(typeFile >> type) || type != "Battery") continue;
        std::ifstream capacityFile(supply / "capacity");
        int capacity = -1;
        if (capacityFile >> capacity && capacity >= 0 && capacity <= 100) {
            return static_cast<uint8_t>(capacity);
        }
    }
    return 255;
}

std::filesystem::path DefaultRegistryFile() {
    return ConfigHome() / "InkVISTA" / "registry.reg";
}

Device::Device(const DeviceOptions& options, MessageBoxes& messages, TimerService& timers)
    : options_(options), messages_(&messages), timers_(&timers) {
    std::filesystem::path root;
    if (options_.root) {
        root = *options_.root;
        documents_ = root / "My Documents";
    } else {
        root = "/";
        documents_ = XdgDocumentsFolder();
    }
    // The device always has its documents folder; the program creates its own
    // folder inside it at start.
    mkdir(documents_.c_str(), 0777);

    std::vector<PathMapper::Mount> mounts;
    mounts.push_back({kDocumentsName, documents_});
    for (const auto& [name, dir] : options_.cards)
        if (ValidCardName(name)) mounts.push_back({name, dir});
    files_ = std::make_unique<FileSystem>(PathMapper(root, std::move(mounts)));
    if (!options_.root) {
        bool arrived = false;
        RefreshMounts(&arrived);
    }
    registry_ = std::make_unique<Registry>(options_.registryFile ? *options_.registryFile
                                                                 : DefaultRegistryFile());
    shell_ = std::make_unique<DeviceShell>(*this, *files_);
}

Device::~Device() = default;

void Device::InsertCard(const std::u16string& name, const std::filesystem::path& dir) {
    if (!ValidCardName(name) || IsFolderMount(name)) return;
    files_->mapper().AddMount({name, dir});
}

bool Device::AddFolderMount(const std::u16string& name, const std::filesystem::path& dir) {
    if (!ValidCardName(name) || files_->mapper().FindMount(name)) return false;
    if (!files_->mapper().AddMount({name, dir})) return false;
    folderMounts_.push_back(name);
    return true;
}

bool Device::IsFolderMount(std::u16string_view name) const {
    return std::any_of(folderMounts_.begin(), folderMounts_.end(),
                       [name](const std::u16string& n) { return EqualsNoCase(n, name); });
}

bool Device::RemoveCard(const std::u16string& name) {
    if (EqualsNoCase(name, kDocumentsName) || IsFolderMount(name)) return false;
    mountedCards_.erase(
        std::remove_if(mountedCards_.begin(), mountedCards_.end(),
                       [&](const std::u16string& n) { return EqualsNoCase(n, name); }),
        mountedCards_.end());
    return files_->mapper().RemoveMount(name);
}

bool Device::RefreshMounts(bool* arrived) {
    if (arrived) *arrived = false;
    if (options_.root) return false;
    std::ifstream table("/proc/self/mounts");
    std::stringstream text;
    text << table.rdbuf();
    const auto now = RemovableMountsIn(text.str(), UserName());
    PathMapper& mapper = files_->mapper();
    bool changed = false;
    // Gone: cards we took from the mount table that are no longer there.
    for (auto it = mountedCards_.begin(); it != mountedCards_.end();) {
        const bool present = std::any_of(now.begin(), now.end(),
                                         [&](const auto& m) { return EqualsNoCase(m.first, *it); });
        if (present) {
            ++it;
            continue;
        }
        mapper.RemoveMount(*it);
        it = mountedCards_.erase(it);
        changed = true;
    }
    for (const auto& [name, dir] : now) {
        const bool known =
            std::any_of(mountedCards_.begin(), mountedCards_.end(),
                        [&name = name](const std::u16string& n) { return EqualsNoCase(n, name); });
        if (known || mapper.FindMount(name)) continue;  // a --card of that name wins
        mapper.AddMount({name, dir});
        mountedCards_.push_back(name);
        changed = true;
        if (arrived) *arrived = true;
    }
    return changed;
}

bool ParseDeviceOption(const std::vector<std::string>& args, size_t& i, DeviceOptions& options,
                       bool* matched, std::string* error) {
    if (matched) *matched = false;
    static const char* const kOptions[] = {"--root", "--card", "--registry", "--oem", "--battery"};
    std::string option;
    std::optional<std::string> value;
    for (const char* name : kOptions) {
        std::string text;
        const OptionValue found = TakeOption(args, i, name, &text);
        if (found == OptionValue::Absent) continue;
        option = name;
        if (found == OptionValue::Taken) value = std::move(text);
        break;
    }
    if (option.empty()) return true;
    if (matched) *matched = true;
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (!value) return fail(option + " needs a value");

    if (option == "--root") {
        if (value->empty() || !IsDirectory(*value))
            return fail("--root: no such folder: " + *value);
        std::error_code ec;
        options.root = std::filesystem::absolute(*value, ec);
        if (ec) return fail("--root: no such folder: " + *value);
    } else if (option == "--card") {
        const size_t eq = value->find('=');
        if (eq == std::string::npos) return fail("--card takes NAME=DIR, not " + *value);
        const std::u16string name = Utf8ToUtf16(value->substr(0, eq));
        const std::string dir = value->substr(eq + 1);
        if (!ValidCardName(name))
            return fail("--card: unusable card name: " + value->substr(0, eq));
        for (const auto& card : options.cards) {
            if (EqualsNoCase(card.first, name)) {
                return fail("--card: card named twice: " + value->substr(0, eq));
            }
        }
        if (dir.empty() || !IsDirectory(dir)) return fail("--card: no such folder: " + dir);
        std::error_code ec;
        options.cards.emplace_back(name, std::filesystem::absolute(dir, ec));
    } else if (option == "--registry") {
        if (value->empty()) return fail("--registry needs a file name");
        std::error_code ec;
        options.registryFile = std::filesystem::absolute(*value, ec);
    } else if (option == "--oem") {
        options.oem = Utf8ToUtf16(*value);
    } else if (option == "--battery") {
        int n = -1;
        if (!ParseWholeNumber(*value, &n) || n < 0 || (n > 100 && n != 255)) {
            return fail("--battery takes a percentage 0-100 (255: no battery), not " + *value);
        }
        options.battery = n;
    }
    return true;
}

const char* DeviceOptionsHelp() {
    return "  --root DIR         use DIR as the device's root folder \"\\\" (with \"My "
           "Documents\"\n"
           "                     inside it) instead of the host's root and documents folder\n"
           "  --card NAME=DIR    show DIR as the storage card \"\\NAME\" (repeatable)\n"
           "  --registry FILE    keep the registry in FILE\n"
           "                     (default $XDG_CONFIG_HOME/InkVISTA/registry.reg)\n"
           "  --oem TEXT         the device's OEM information (default \"InkVISTA Desktop\")\n"
           "  --battery N        report a battery level of N percent (255: no battery)\n";
}

}  // namespace inkvista
