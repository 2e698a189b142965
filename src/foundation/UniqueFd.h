#pragma once

// Owns one file descriptor and closes it when it goes.

#include <unistd.h>

#include <utility>

namespace korvel {

class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int AFd) : FFd(AFd) {}
    ~TUniqueFd() { Reset(); }

    TUniqueFd(TUniqueFd&& AOther) noexcept : FFd(std::exchange(AOther.FFd, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& AOther) noexcept
    {
        if (this != &AOther)
            Reset(std::exchange(AOther.FFd, -1));
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    int Get() const { return FFd; }
    bool IsValid() const { return FFd >= 0; }
    explicit operator bool() const { return IsValid(); }

    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(FFd, -1); }

    // Closes the descriptor held so far and takes AFd instead.
    void Reset(int AFd = -1)
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = AFd;
    }

private:
    int FFd = -1;
};

}  // namespace korvel
