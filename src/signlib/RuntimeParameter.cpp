// The runtime parameters of the calling thread. Each thread keeps its own, so signers working on
// different threads never see each other's settings.

#include "signlib/EntryPoint.h"
#include "signlib/LibraryState.h"
#include "signlib/SignLibrary.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

using namespace korvel::signlib;

constexpr std::string_view IncludeContentTimeStampName = "SignIncludeContentTimeStamp";
constexpr std::string_view SignTypeName = "SignType";
constexpr unsigned long ValueSize = 4;

template <typename TValue> TValue ReadValue(const void* AValue)
{
    static_assert(sizeof(TValue) == ValueSize);
    TValue value;
    std::memcpy(&value, AValue, sizeof value);
    return value;
}

void RequireKnownParameter(bool ACondition)
{
    Require(ACondition, EU_ERROR_BAD_RUNTIME_PARAMETER, "unknown runtime parameter");
}

void SetThreadParameter(const char* AName, const void* AValue, unsigned long AValueLength)
{
    RequireKnownParameter(AName != nullptr);
    RequireArgument(AValue, "pvValue");
    RequireKnownParameter(AValueLength == ValueSize);

    const std::string_view name(AName);
    auto& parameters = ThreadRuntimeParameters();
    if (name == IncludeContentTimeStampName)
        parameters.SignIncludeContentTimeStamp = ReadValue<std::int32_t>(AValue) != 0;
    else if (name == SignTypeName)
        parameters.SignType = ReadValue<std::uint32_t>(AValue);
    else
        RequireKnownParameter(false);
}

}  // namespace

extern "C" EU_API unsigned long EUSetRuntimeParameter(const char* pszName, const void* pvValue,
                                                      unsigned long dwValueLength)
{
    return korvel::signlib::RunInitializedEntryPoint([&] { SetThreadParameter(pszName, pvValue, dwValueLength); });
}
