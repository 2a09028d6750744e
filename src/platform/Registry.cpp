#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/ByteOrder.h"

namespace inkvista {

namespace {

// Far beyond anything this program stores; a larger file is not ours, and
// nothing larger is ever written.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;
// Leftovers younger than this may belong to a program writing right now.
constexpr int kLeftoverAgeSeconds = 600;

// Parent folders are private to the user, like the file.
bool MakeFolders(const std::filesystem::path& folder) {
    std::error_code ec;
    if (folder.empty() || std::filesystem::is_directory(folder, ec)) return true;
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

Registry::Registry(std::filesystem::path file) : file_(std::move(file)) {}

bool Registry::CheckFile(std::string* problem) {
    if (Load()) return true;
    if (problem) *problem = problem_;
    return false;
}

bool Registry::ReadFile(std::string* bytes, bool* exists) {
    *exists = true;
    // Non-blocking, so that a FIFO or a device given as the file cannot hang
    // the open; its type is checked before anything is read.
    const int fd = open(file_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            *exists = false;
            return true;
        }
        problem_ = file_.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) {
        problem_ = file_.string() + (S_ISREG(st.st_mode)
                                         ? ": larger than 16 MiB, the most a registry file holds"
                                         : ": not a regular file");
        close(fd);
        return false;
    }
    bytes->resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes->size()) {
        const ssize_t n = read(fd, bytes->data() + got, bytes->size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            // Half a registry saved back would lose every key after the error.
            problem_ = file_.string() + ": " + std::strerror(errno);
            close(fd);
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    bytes->resize(got);
    // Permission bits count even for a user the system lets through anyway.
    readOnly_ =
        !(st.st_mode & S_IWUSR) || faccessat(AT_FDCWD, file_.c_str(), W_OK, AT_EACCESS) != 0;
    return true;
}

bool Registry::Load() {
    if (heldInMemory_) return true;
    problem_.clear();
    std::string bytes;
    bool exists = false;
    if (!ReadFile(&bytes, &exists)) {
        doc_.Clear();
        return false;
    }
    if (!exists) {
        readOnly_ = false;
        doc_.Clear();
    } else if (std::string problem; !doc_.Parse(std::move(bytes), &problem)) {
        problem_ = file_.string() + ": " + problem;
        return false;
    }
    if (!cleaned_) RemoveLeftovers();
    return true;
}

void Registry::RemoveLeftovers() {
    cleaned_ = true;
    RemoveStaleTemporaries(file_, kLeftoverAgeSeconds);
}

bool Registry::Save(const std::string& text) {
    if (!MakeFolders(file_.parent_path())) return false;
    return WriteFileAtomically(file_, text, 0600);
}

bool Registry::Store(RegistryDocument* before) {
    const std::string text = doc_.Serialize();
    bool ok = static_cast<off_t>(text.size()) <= kMaxFileSize;
    if (ok && readOnly_) {
        heldInMemory_ = true;
        if (!warned_) {
            warned_ = true;
            std::fprintf(stderr,
                         "%s: %s is read-only: registry changes are kept only until the "
                         "program ends\n",
                         program_invocation_short_name, file_.c_str());
        }
        return true;
    }
    ok = ok && Save(text);
    if (!ok) {
        // Held changes have no file to come back from.
        if (before) doc_ = std::move(*before);
    }
    return ok;
}

bool Registry::KeyExists(std::u16string_view key) {
    return Load() && doc_.KeyExists(key);
}

bool Registry::CreateKey(std::u16string_view key, bool* created) {
    if (created) *created = false;
    if (!Load()) return false;
    std::optional<RegistryDocument> before;
    if (heldInMemory_) before = doc_;
    bool made = false;
    if (!doc_.CreateKey(key, &made)) return false;
    if (!made) return true;
    if (!Store(before ? &*before : nullptr)) return false;
    if (created) *created = true;
    return true;
}

bool Registry::DeleteKey(std::u16string_view key) {
    if (!Load()) return false;
    std::optional<RegistryDocument> before;
    if (heldInMemory_) before = doc_;
    return doc_.DeleteKey(key) && Store(before ? &*before : nullptr);
}

std::optional<RegistryValue> Registry::GetValue(std::u16string_view key, std::u16string_view name) {
    if (!Load()) return std::nullopt;
    const RegistryValue* value = doc_.GetValue(key, name);
    if (!value) return std::nullopt;
    return *value;
}

bool Registry::SetValue(std::u16string_view key, std::u16string_view name,
                        const RegistryValue& value) {
    if (!Load()) return false;
    std::optional<RegistryDocument> before;
    if (heldInMemory_) before = doc_;
    return doc_.SetValue(key, name, value) && Store(before ? &*before : nullptr);
}

bool Registry::DeleteValue(std::u16string_view key, std::u16string_view name) {
    if (!Load()) return false;
    std::optional<RegistryDocument> before;
    if (heldInMemory_) before = doc_;
    return doc_.DeleteValue(key, name) && Store(before ? &*before : nullptr);
}

bool Registry::SetString(std::u16string_view key, std::u16string_view name,
                         const std::vector<uint8_t>& utf16leBytes) {
    RegistryValue value;
    value.type = REG_SZ;
    value.data = utf16leBytes;
    return SetValue(key, name, value);
}

bool Registry::SetDword(std::u16string_view key, std::u16string_view name, uint32_t value) {
    RegistryValue v;
    v.type = REG_DWORD;
    v.data.assign(4, 0);
    StoreLE32(v.data.data(), value);
    return SetValue(key, name, v);
}

std::optional<uint32_t> Registry::GetDword(std::u16string_view key, std::u16string_view name) {
    const auto v = GetValue(key, name);
    if (!v || v->type != REG_DWORD || v->data.size() != 4) return std::nullopt;
    return LoadLE32(v->data.data());
}

std::optional<std::u16string> Registry::GetString(std::u16string_view key, std::u16string_view name,
                                                  size_t maxUnits, size_t maxBytes) {
    if (!Load()) return std::nullopt;
    const RegistryValue* value = doc_.GetValue(key, name);
    if (!value || value->type != REG_SZ || value->data.size() > maxBytes) return std::nullopt;
    std::u16string text;
    const size_t units = value->data.size() / 2;
    for (size_t i = 0; i < units && text.size() < maxUnits; ++i) {
        const auto unit = static_cast<char16_t>(LoadLE16(value->data.data() + 2 * i));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace inkvista
