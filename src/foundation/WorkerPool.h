#pragma once

// The process's shared pool of background tasks. Some tasks run for long (a subscription lives a
// minute, the maintenance loop for the life of the program), so the pool grows when every thread
// is busy and reuses threads that have gone idle.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace korvel {

class TWorkerPool {
public:
    TWorkerPool() = default;
    ~TWorkerPool();
    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    static TWorkerPool& Shared();

    // Runs ATask on a pool thread. An exception that escapes the task is swallowed: every task
    // catches and logs its own failures at its top.
    void Run(std::function<void()> ATask);
    // Blocks until no task is queued or running.
    void WaitIdle();
    std::size_t ThreadCount() const;

private:
    void WorkerLoop();

    mutable std::mutex FMutex;
    std::condition_variable FWork;
    std::condition_variable FIdle;
    std::deque<std::function<void()>> FQueue;
    std::vector<std::thread> FThreads;
    std::size_t FWaiting = 0;  // threads waiting for work
    std::size_t FRunning = 0;  // tasks being run
    bool FStopping = false;
};

}  // namespace korvel
