// Services of the handheld that the program's logic calls and tests replace:
// message boxes and window timers with their clock.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Win32.h"

namespace inkvista {

// Modal message boxes with the caption "InkVISTA".
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // `type` is MB_OK or MB_OKCANCEL; answers IDOK or IDCANCEL.
    virtual int Show(std::u16string_view text, uint32_t type = MB_OK) = 0;
    // The same under another caption ("Warning !"). A service that knows
    // only its own caption shows the text under that.
    virtual int ShowCaptioned(std::u16string_view text, std::u16string_view /*caption*/,
                              uint32_t type) {
        return Show(text, type);
    }
};

// Records every text and answers from a queue (IDOK when it is empty); used by
// tests and by script mode.
class RecordingMessageBoxes : public MessageBoxes {
  public:
    int Show(std::u16string_view text, uint32_t type = MB_OK) override;
    int ShowCaptioned(std::u16string_view text, std::u16string_view caption,
                      uint32_t type) override;
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<std::u16string>& shown() const { return shown_; }
    // The caption of each box in shown(), in the same order.
    const std::vector<std::u16string>& captions() const { return captions_; }
    void Clear() {
        shown_.clear();
        captions_.clear();
    }

  private:
    std::deque<int> answers_;
    std::vector<std::u16string> shown_;
    std::vector<std::u16string> captions_;
};

// A time of day.
struct ClockTime {
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    bool operator==(const ClockTime&) const = default;
};

// Window timers (SetTimer/KillTimer), the tick count and the local time, per
// owner window.
class TimerService {
  public:
    using Callback = std::function<void()>;
    virtual ~TimerService() = default;
    // Starts (or restarts) the periodic timer `id` of `owner`; answers `id`,
    // or 0 when it cannot be started.
    virtual unsigned SetTimer(const void* owner, unsigned id, unsigned periodMs, Callback cb) = 0;
    virtual bool KillTimer(const void* owner, unsigned id) = 0;
    virtual bool IsRunning(const void* owner, unsigned id) const = 0;
    // Milliseconds since some start (GetTickCount).
    virtual uint64_t NowMs() const = 0;
    // Blocks the caller's thread for `ms` (Sleep); a virtual clock advances.
    virtual void Sleep(unsigned ms) = 0;
    // The local time of day (GetLocalTime): the host's, unless a clock keeps
    // its own.
    virtual ClockTime LocalTime() const;
};

// A clock that moves only when told to; Advance fires due timers in time order
// (timers due at the same moment in the order they were set).
class VirtualClock : public TimerService {
  public:
    unsigned SetTimer(const void* owner, unsigned id, unsigned periodMs, Callback cb) override;
    bool KillTimer(const void* owner, unsigned id) override;
    bool IsRunning(const void* owner, unsigned id) const override;
    uint64_t NowMs() const override { return now_; }
    // The clock moves but no timer fires: a sleeping thread dispatches no
    // messages. Timers that fell due meanwhile fire once at the next Advance.
    void Sleep(unsigned ms) override { now_ += ms; }
    void Advance(uint64_t ms);
    // The local time is `time` now and runs on with the clock. Until it is
    // set, the clock starts at midnight.
    void SetLocalTime(ClockTime time);
    ClockTime LocalTime() const override;
    // How many timers are set.
    size_t TimerCount() const { return timers_.size(); }

  private:
    struct Timer {
        unsigned period;
        uint64_t due;
        uint64_t order;
        Callback cb;
    };
    std::map<std::pair<const void*, unsigned>, Timer> timers_;
    uint64_t now_ = 0;
    uint64_t nextOrder_ = 0;
    // Minutes after midnight at the moment `localSetAt_` of the clock.
    uint64_t localMinutes_ = 0;
    uint64_t localSetAt_ = 0;
};

}  // namespace inkvista
