#include "foundation/WorkerPool.h"

namespace korvel {

TWorkerPool::~TWorkerPool()
{
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FWork.notify_all();
    for (std::thread& thread : FThreads)
        thread.join();
}

TWorkerPool& TWorkerPool::Shared()
{
    static TWorkerPool pool;
    return pool;
}

void TWorkerPool::Run(std::function<void()> ATask)
{
    std::lock_guard lock(FMutex);
    FQueue.push_back(std::move(ATask));
    if (FWaiting >= FQueue.size())
        FWork.notify_one();
    else
        FThreads.emplace_back([this] { WorkerLoop(); });
}

void TWorkerPool::WaitIdle()
{
    std::unique_lock lock(FMutex);
    FIdle.wait(lock, [this] { return FQueue.empty() && FRunning == 0; });
}

std::size_t TWorkerPool::ThreadCount() const
{
    std::lock_guard lock(FMutex);
    return FThreads.size();
}

void TWorkerPool::WorkerLoop()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        ++FWaiting;
        FWork.wait(lock, [this] { return FStopping || !FQueue.empty(); });
        --FWaiting;
        if (FQueue.empty())
            return;  // stopping with nothing left to run
        std::function<void()> task = std::move(FQueue.front());
        FQueue.pop_front();
        ++FRunning;
        lock.unlock();
        try {
            task();
        } catch (...) {
        }
        task = nullptr;
        lock.lock();
        --FRunning;
        if (FQueue.empty() && FRunning == 0)
            FIdle.notify_all();
    }
}

}  // namespace korvel
