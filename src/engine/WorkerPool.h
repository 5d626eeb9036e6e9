#pragma once
// A few threads that encrypt and decrypt whole chunks beside the caller's thread.
//
// The caller's thread (the UI thread, which runs every operation and pumps events) posts jobs and
// waits for them in order; while it waits it runs queued jobs itself, so it counts as one of the
// threads. A job touches only the buffers it was given: never a catalogue, the host, the file layer
// or a Qt object. Jobs are the caller's own objects, queued by pointer, so posting allocates nothing.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {

class PoolJob {
public:
    virtual ~PoolJob() = default;
    virtual void Run() = 0;

private:
    friend class WorkerPool;
    PoolJob* next_ = nullptr;
    bool done_ = true; // guarded by the pool's mutex
};

class WorkerPool {
public:
    // At most this many threads work on chunks, the caller's included, whatever the machine has:
    // each keeps two chunks in flight, and their buffers are held for the life of the process.
    static constexpr int kMaxThreads = 8;

    // The threads a chunk walk uses, the caller's included: 1 means no worker at all. The default
    // is one per core (at most kMaxThreads); KVQ_THREADS in the environment lowers it (1 restores
    // the one-thread path), and a build without QUORVANE_WORKER_POOL always answers 1.
    static int Threads();
    // Overrides Threads() for the tests (0 returns to the default).
    static void SetThreads(int threads);
    // SetThreads(threads) while it lives, then the default again.
    class ThreadsFor {
    public:
        explicit ThreadsFor(int threads) { SetThreads(threads); }
        ~ThreadsFor() { SetThreads(0); }
        ThreadsFor(const ThreadsFor&) = delete;
        ThreadsFor& operator=(const ThreadsFor&) = delete;
    };

    // The process's pool, with at least `workers` threads started.
    static WorkerPool& Shared(int workers);

    WorkerPool() = default;
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues `job` (which must not be queued or running) behind the others.
    void Post(PoolJob& job);
    // Returns once `job` has run, running queued jobs on this thread meanwhile (oldest first).
    void Wait(PoolJob& job);
    // True once `job` has run (or was withdrawn); never waits.
    bool Done(PoolJob& job);
    // Takes `job` out of the queue when no thread has started it; true when it was withdrawn (it
    // will not run). A job already started must be waited for.
    bool Withdraw(PoolJob& job);

private:
    void Start(int workers);
    void Work(const std::stop_token& stop);
    // Pops the oldest queued job; the lock is held.
    PoolJob* TakeLocked();
    void Finish(PoolJob& job);

    std::mutex mutex_;
    std::condition_variable_any queued_;
    std::condition_variable finished_;
    PoolJob* head_ = nullptr;
    PoolJob* tail_ = nullptr;
    std::vector<std::jthread> workers_;
};

} // namespace quorvane
