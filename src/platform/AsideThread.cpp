#include "platform/AsideThread.h"

#include <sched.h>

#include <memory>
#include <utility>

namespace inkvista {

namespace {

struct Start {
    std::function<void()> work;
    // The creator's processors, which the thread takes back once it runs.
    cpu_set_t all{};
    bool elsewhere = false;
};

void* Run(void* argument) {
    const std::unique_ptr<Start> start(static_cast<Start*>(argument));
    if (start->elsewhere) sched_setaffinity(0, sizeof start->all, &start->all);
    start->work();
    return nullptr;
}

}  // namespace

AsideThread::AsideThread(std::function<void()> work) : started_(true) {
    auto start = std::make_unique<Start>();
    start->work = std::move(work);
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        start->work();
        return;
    }
    const int here = sched_getcpu();
    if (here >= 0 && sched_getaffinity(0, sizeof start->all, &start->all) == 0 &&
        CPU_ISSET(here, &start->all) && CPU_COUNT(&start->all) > 1) {
        cpu_set_t others = start->all;
        CPU_CLR(here, &others);
        start->elsewhere = pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
    }
    pthread_t thread;
    const bool made = pthread_create(&thread, &attributes, Run, start.get()) == 0;
    pthread_attr_destroy(&attributes);
    if (made) {
        start.release();  // the thread's own now
        thread_ = thread;
    } else {
        start->work();
    }
}

AsideThread::AsideThread(AsideThread&& other) noexcept
    : thread_(std::exchange(other.thread_, std::nullopt)),
      started_(std::exchange(other.started_, false)) {}

AsideThread& AsideThread::operator=(AsideThread&& other) noexcept {
    if (this != &other) {
        Wait();
        thread_ = std::exchange(other.thread_, std::nullopt);
        started_ = std::exchange(other.started_, false);
    }
    return *this;
}

AsideThread::~AsideThread() {
    Wait();
}

void AsideThread::Wait() {
    if (!thread_) return;
    pthread_join(*thread_, nullptr);
    thread_.reset();
}

}  // namespace inkvista
