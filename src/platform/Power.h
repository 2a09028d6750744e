// Power and idle services of the handheld: the system idle timer, the named
// events the control panel listens on, and what keeps a desktop session from
// blanking while the reader scrolls by itself.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace inkvista {

// A desktop session's screen saver and idle suspend, held off on request.
// The session may answer late or never, so asking does not wait for it.
class SessionAwake {
  public:
    virtual ~SessionAwake() = default;
    // Asks the session to keep the screen on and returns at once; held()
    // tells when the session has granted it.
    virtual void Hold() = 0;
    // Gives the hold back, or the request still under way as soon as the
    // session answers it; harmless when none is held or asked for.
    virtual void Release() = 0;
    // The session granted the hold, and it has not been given back.
    virtual bool held() const = 0;
};

// Counts what the program asked of the system, so script mode and tests can
// see it. Without a session set, keeping awake is granted by a stand-in that
// changes nothing on the host.
class Power {
  public:
    // SystemIdleTimerReset.
    void ResetIdleTimer() { ++idleResets_; }
    uint64_t idleResets() const { return idleResets_; }

    // Creates (or opens) the named event, sets it and closes the handle, as
    // the back-light's "BackLightChangeEvent" is signalled. False for an
    // empty name, which no event can have.
    bool SetNamedEvent(std::u16string_view name);
    uint64_t EventsSet(std::u16string_view name) const;

    // `session` outlives this object, or is unset before it goes.
    void SetSession(SessionAwake* session) { session_ = session; }
    // Holds the screen on (true) or lets it go (false); a second hold or
    // release changes nothing.
    void KeepAwake(bool keep);
    // Whether a hold is in place now: asked for and granted. While the
    // session has not answered yet, or when it refused or never answered,
    // it is not.
    bool awake() const { return wanted_ && (!session_ || session_->held()); }

  private:
    uint64_t idleResets_ = 0;
    std::map<std::u16string, uint64_t, std::less<>> events_;
    SessionAwake* session_ = nullptr;
    bool wanted_ = false;
};

}  // namespace inkvista
