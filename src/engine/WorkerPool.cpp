#include "WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>

namespace quorvane {
namespace {

std::atomic<int> g_threadOverride{0};

int EnvironmentThreads() {
    const char* text = std::getenv("KVQ_THREADS");
    if (text == nullptr || *text == '\0') {
        return 0;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1) {
        return 0; // not a count: the default
    }
    return static_cast<int>(std::min<long>(value, WorkerPool::kMaxThreads));
}

} // namespace

int WorkerPool::Threads() {
#ifndef QUORVANE_WORKER_POOL
    return 1;
#else
    if (const int forced = g_threadOverride.load(std::memory_order_relaxed); forced > 0) {
        return std::min(forced, kMaxThreads);
    }
    // Asked once: the library reads it from the system on every call.
    static const int cores =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
    const int asked = EnvironmentThreads();
    return asked > 0 ? std::min(asked, cores) : cores;
#endif
}

void WorkerPool::SetThreads(int threads) {
    g_threadOverride.store(std::max(threads, 0), std::memory_order_relaxed);
}

WorkerPool& WorkerPool::Shared(int workers) {
    // Never destroyed before exit's own static destructors: the workers are joined there.
    static WorkerPool pool;
    pool.Start(workers);
    return pool;
}

WorkerPool::~WorkerPool() {
    for (std::jthread& worker : workers_) {
        worker.request_stop();
    }
    queued_.notify_all();
    workers_.clear(); // joins
}

void WorkerPool::Start(int workers) {
    workers = std::min(workers, kMaxThreads - 1);
    while (static_cast<int>(workers_.size()) < workers) {
        workers_.emplace_back([this](const std::stop_token& stop) { Work(stop); });
    }
}

void WorkerPool::Post(PoolJob& job) {
    {
        const std::lock_guard lock(mutex_);
        job.done_ = false;
        job.next_ = nullptr;
        if (tail_ != nullptr) {
            tail_->next_ = &job;
        } else {
            head_ = &job;
        }
        tail_ = &job;
    }
    queued_.notify_one();
}

PoolJob* WorkerPool::TakeLocked() {
    PoolJob* job = head_;
    if (job != nullptr) {
        head_ = job->next_;
        if (head_ == nullptr) {
            tail_ = nullptr;
        }
        job->next_ = nullptr;
    }
    return job;
}

void WorkerPool::Finish(PoolJob& job) {
    {
        const std::lock_guard lock(mutex_);
        job.done_ = true;
    }
    finished_.notify_all();
}

void WorkerPool::Wait(PoolJob& job) {
    std::unique_lock lock(mutex_);
    while (!job.done_) {
        if (PoolJob* other = TakeLocked()) {
            lock.unlock();
            other->Run();
            Finish(*other);
            lock.lock();
            continue;
        }
        finished_.wait(lock);
    }
}

bool WorkerPool::Done(PoolJob& job) {
    const std::lock_guard lock(mutex_);
    return job.done_;
}

bool WorkerPool::Withdraw(PoolJob& job) {
    const std::lock_guard lock(mutex_);
    PoolJob* previous = nullptr;
    for (PoolJob* at = head_; at != nullptr; previous = at, at = at->next_) {
        if (at != &job) {
            continue;
        }
        (previous != nullptr ? previous->next_ : head_) = at->next_;
        if (tail_ == at) {
            tail_ = previous;
        }
        at->next_ = nullptr;
        at->done_ = true;
        return true;
    }
    return false;
}

void WorkerPool::Work(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        queued_.wait(lock, stop, [this] { return head_ != nullptr; });
        if (stop.stop_requested()) {
            return;
        }
        PoolJob* job = TakeLocked();
        lock.unlock();
        job->Run();
        Finish(*job);
        lock.lock();
    }
}

} // namespace quorvane
