#include "support/TestDevice.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Text.h"

namespace inkvista {

TestDevice::TestDevice() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/inkvista-test-XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) {
        std::perror("TestDevice: mkdtemp");
        std::abort();
    }
    base_ = templ;
    root_ = base_ / "root";
    mkdir(root_.c_str(), 0777);
    DeviceOptions options;
    options.root = root_;
    options.registryFile = base_ / "registry.reg";
    device_ = std::make_unique<Device>(options, messages_, clock_);
}

TestDevice::~TestDevice() {
    device_.reset();
    // Tests leave read-only files and folders behind; make everything
    // removable first.
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(base_, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_symlink(ec)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        }
    }
    std::filesystem::remove_all(base_, ec);
}

std::filesystem::path TestDevice::Host(std::u16string_view devicePath) const {
    const auto host = device_->files().mapper().Resolve(devicePath);
    return host ? *host : std::filesystem::path();
}

std::filesystem::path TestDevice::AddCard(const std::u16string& name) {
    const std::filesystem::path cards = base_ / "cards";
    mkdir(cards.c_str(), 0777);
    const std::filesystem::path dir = cards / Utf16ToUtf8(name);
    mkdir(dir.c_str(), 0777);
    device_->InsertCard(name, dir);
    return dir;
}

}  // namespace inkvista
