// Work a start waits for later, on a thread of its own that begins on
// another processor than the one that starts it.
#pragma once

#include <pthread.h>

#include <functional>
#include <optional>

namespace inkvista {

// Runs `work` on a new thread at once. Where the machine has more than one
// processor for the program, the thread begins on one its creator is not
// on and is then free to go anywhere: on a two-processor machine the kernel
// was seen to put such a thread beside its creator most of the time and to
// leave it there for milliseconds, the two sharing one processor while the
// other was idle. Wait (and the destructor) return once the work is done.
// Where no thread can be made, the work is done in the constructor.
class AsideThread {
  public:
    AsideThread() = default;
    explicit AsideThread(std::function<void()> work);
    AsideThread(AsideThread&& other) noexcept;
    AsideThread& operator=(AsideThread&& other) noexcept;
    AsideThread(const AsideThread&) = delete;
    AsideThread& operator=(const AsideThread&) = delete;
    ~AsideThread();

    // Whether work was given to it, done or not.
    bool Started() const { return started_; }
    void Wait();

  private:
    std::optional<pthread_t> thread_;
    bool started_ = false;
};

}  // namespace inkvista
