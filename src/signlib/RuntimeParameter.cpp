// The runtime parameters of the calling thread. Each thread keeps its own, so signers working on
// different threads never see each other's settings.

#include "signlib/LibraryState.h"
#include "signlib/SignLibrary.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

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

}  // namespace

extern "C" EU_API unsigned long EUSetRuntimeParameter(const char* pszName, const void* pvValue,
                                                      unsigned long dwValueLength)
{
    if (pszName == nullptr)
        return EU_ERROR_BAD_RUNTIME_PARAMETER;
    if (pvValue == nullptr)
        return EU_ERROR_BAD_PARAMETER;
    const std::string_view name(pszName);
    if (dwValueLength != ValueSize)
        return EU_ERROR_BAD_RUNTIME_PARAMETER;

    auto& parameters = korvel::signlib::ThreadRuntimeParameters();
    if (name == IncludeContentTimeStampName) {
        parameters.SignIncludeContentTimeStamp = ReadValue<std::int32_t>(pvValue) != 0;
        return EU_ERROR_NONE;
    }
    if (name == SignTypeName) {
        parameters.SignType = ReadValue<std::uint32_t>(pvValue);
        return EU_ERROR_NONE;
    }
    return EU_ERROR_BAD_RUNTIME_PARAMETER;
}
