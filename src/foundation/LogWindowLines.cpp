#include "foundation/LogWindowLines.h"

#include <utility>

namespace korvel {

void TLogWindowLines::SetObserver(TObserver AObserver)
{
    std::lock_guard lock(FMutex);
    FObserver = std::move(AObserver);
}

bool TLogWindowLines::Append(const std::string& ALine)
{
    TObserver observer;
    bool firstPending = false;
    {
        std::lock_guard lock(FMutex);
        if (!FOpen)
            return false;
        FLines.push_back(ALine);
        FPending.push_back(ALine);
        firstPending = FPending.size() == 1;
        if (firstPending)
            observer = FObserver;
    }
    // Told outside the lock, once per batch: the pane takes everything pending in one go.
    if (observer)
        observer();
    return true;
}

void TLogWindowLines::Open()
{
    std::lock_guard lock(FMutex);
    FOpen = true;
}

void TLogWindowLines::Close()
{
    std::lock_guard lock(FMutex);
    FOpen = false;
}

std::vector<std::string> TLogWindowLines::TakePending()
{
    std::lock_guard lock(FMutex);
    return std::exchange(FPending, {});
}

std::string TLogWindowLines::Text() const
{
    std::lock_guard lock(FMutex);
    std::string text;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += FLines[i];
    }
    return text;
}

std::size_t TLogWindowLines::Count() const
{
    std::lock_guard lock(FMutex);
    return FLines.size();
}

void TLogWindowLines::Clear()
{
    std::lock_guard lock(FMutex);
    // Lines the pane has not taken yet are newer than what is cleared: they stay, to be shown.
    FLines = FPending;
}

}  // namespace korvel
