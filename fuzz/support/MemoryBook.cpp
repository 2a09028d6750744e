#include "support/MemoryBook.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Text.h"

namespace inkvista::fuzz {
namespace {

// No folder can exist below a device file: the device's own folders go
// nowhere.
const char kNowhere[] = "/dev/null/inkvista-fuzz";

[[noreturn]] void Die(const char* what) {
    std::perror(what);
    std::abort();
}

}  // namespace

MemoryBook::MemoryBook() {
    fd_ = memfd_create("inkvista-fuzz-book", MFD_CLOEXEC);
    if (fd_ < 0) Die("memfd_create");
    DeviceOptions options;
    options.root = kNowhere;
    options.registryFile = std::filesystem::path(kNowhere) / "registry.reg";
    options.cards.emplace_back(u"Mem", "/proc/self/fd");
    device_ = std::make_unique<Device>(options, messages_, clock_);
    folders_.userDir = u"\\Mem";
    fileName_ = Utf8ToUtf16(std::to_string(fd_));
}

MemoryBook::~MemoryBook() {
    device_.reset();
    if (fd_ >= 0) close(fd_);
}

void MemoryBook::Replace(const uint8_t* data, size_t size) {
    if (ftruncate(fd_, 0) != 0) Die("ftruncate");
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) Die("pwrite");
        done += static_cast<size_t>(n);
    }
}

std::string MemoryBook::hostPath() const {
    return "/proc/self/fd/" + std::to_string(fd_);
}

MemoryBook& SharedMemoryBook() {
    static MemoryBook book;
    return book;
}

}  // namespace inkvista::fuzz
