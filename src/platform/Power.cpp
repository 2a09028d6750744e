#include "platform/Power.h"

namespace inkvista {

bool Power::SetNamedEvent(std::u16string_view name) {
    if (name.empty()) return false;
    auto it = events_.find(name);
    if (it == events_.end()) it = events_.emplace(std::u16string(name), 0).first;
    ++it->second;
    return true;
}

uint64_t Power::EventsSet(std::u16string_view name) const {
    auto it = events_.find(name);
    return it == events_.end() ? 0 : it->second;
}

void Power::KeepAwake(bool keep) {
    if (keep == wanted_) return;
    wanted_ = keep;
    if (!session_) return;
    if (keep) {
        session_->Hold();
    } else {
        session_->Release();
    }
}

}  // namespace inkvista
