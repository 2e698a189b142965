#include "signing/SignState.h"

namespace korvel {

std::string TSignState::CreatorsJson() const
{
    std::lock_guard lock(FCreatorsJsonLock);
    return FCreatorsJson;
}

void TSignState::SetCreatorsJson(std::string AText)
{
    std::lock_guard lock(FCreatorsJsonLock);
    FCreatorsJson = std::move(AText);
}

void TSignState::Reset()
{
    CPInterface = nullptr;
    SetCreatorsJson({});
    std::lock_guard lock(FCreatorLock);
    FCurrentCreator.clear();
}

TSignState& SignState()
{
    static TSignState state;
    return state;
}

}  // namespace korvel
