#include "platform/Services.h"

#include <algorithm>
#include <ctime>

namespace inkvista {

int RecordingMessageBoxes::Show(std::u16string_view text, uint32_t type) {
    return ShowCaptioned(text, u"InkVISTA", type);
}

int RecordingMessageBoxes::ShowCaptioned(std::u16string_view text, std::u16string_view caption,
                                         uint32_t /*type*/) {
    shown_.emplace_back(text);
    captions_.emplace_back(caption);
    if (answers_.empty()) return IDOK;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

ClockTime TimerService::LocalTime() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return {};
    return ClockTime{local.tm_hour, local.tm_min};
}

unsigned VirtualClock::SetTimer(const void* owner, unsigned id, unsigned periodMs, Callback cb) {
    if (id == 0 || !cb) return 0;
    // Each timer runs the period asked for, as the window's timers do (the
    // continuous auto scroll's 5 ms included); only a zero period, which would
    // fire forever without the clock moving, takes the clock's one tick.
    const unsigned period = std::max(periodMs, 1u);
    // Setting a running timer again restarts it with the new period but keeps
    // its place among timers due at the same moment.
    auto it = timers_.find({owner, id});
    const uint64_t order = it != timers_.end() ? it->second.order : nextOrder_++;
    timers_[{owner, id}] = Timer{period, now_ + period, order, std::move(cb)};
    return id;
}

bool VirtualClock::KillTimer(const void* owner, unsigned id) {
    return timers_.erase({owner, id}) != 0;
}

bool VirtualClock::IsRunning(const void* owner, unsigned id) const {
    return timers_.count({owner, id}) != 0;
}

void VirtualClock::Advance(uint64_t ms) {
    const uint64_t target = now_ + ms;
    for (;;) {
        // The earliest due timer; among equals the one set first.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due > target) continue;
            if (next == timers_.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order)) {
                next = it;
            }
        }
        if (next == timers_.end()) break;
        // A timer overdue from a Sleep fires now, once.
        const uint64_t at = std::max(next->second.due, now_);
        now_ = at;
        next->second.due = at + next->second.period;
        // The callback may kill or reset any timer, itself included, so it
        // runs from a copy and nothing of `next` is touched afterwards.
        Callback cb = next->second.cb;
        cb();
    }
    now_ = std::max(now_, target);
}

void VirtualClock::SetLocalTime(ClockTime time) {
    localMinutes_ =
        static_cast<uint64_t>(std::clamp(time.hour, 0, 23) * 60 + std::clamp(time.minute, 0, 59));
    localSetAt_ = now_;
}

ClockTime VirtualClock::LocalTime() const {
    constexpr uint64_t kMinutesPerDay = 24 * 60;
    const uint64_t minutes = (localMinutes_ + (now_ - localSetAt_) / 60000) % kMinutesPerDay;
    return ClockTime{static_cast<int>(minutes / 60), static_cast<int>(minutes % 60)};
}

}  // namespace inkvista
