// Entry points of the key media: PKCS#11 modules are the media types, their tokens the devices,
// and a key is read from a token with its PIN.

#include "foundation/TextCodec.h"
#include "signlib/MediaTypeList.h"
#include "signlib/PrivateKeyContext.h"
#include "signlib/SignError.h"
#include "signlib/SignLibrary.h"
#include "signlib/TokenModuleCache.h"
#include "signlib/TokenPin.h"

#include <algorithm>
#include <cstring>
#include <memory>

using namespace korvel;
using namespace korvel::signlib;

namespace {

void RequireArgument(const void* AArgument, const char* AName)
{
    if (AArgument == nullptr)
        throw TSignError(EU_ERROR_BAD_PARAMETER, AName);
}

// Names longer than the buffer are cut: they are only shown.
void CopyMediaName(const std::string& AUtf8Name, char* ABuffer)
{
    const std::string name = Utf8ToAnsi(AUtf8Name);
    const std::size_t length = std::min<std::size_t>(name.size(), EU_MEDIA_NAME_SIZE - 1);
    std::memcpy(ABuffer, name.data(), length);
    ABuffer[length] = '\0';
}

TMediaType MediaTypeAt(unsigned long ATypeIndex)
{
    std::vector<TMediaType> types = MediaTypeList();
    if (ATypeIndex >= types.size())
        throw TSignError(EU_ERROR_MEDIA, "no key media type at that index");
    return std::move(types[ATypeIndex]);
}

std::unique_ptr<TPrivateKeyContext> ReadTokenKey(const EU_KEY_MEDIA& AKeyMedia)
{
    const TTokenPin pin = TTokenPin::FromAnsiField(AKeyMedia.szPassword, sizeof AKeyMedia.szPassword);
    std::shared_ptr<TTokenModule> module = AcquireTokenModule(MediaTypeAt(AKeyMedia.dwTypeIndex).ModulePath);
    TTokenKey key = module->ReadKey(AKeyMedia.dwDevIndex, pin);
    auto context = std::make_unique<TPrivateKeyContext>();
    context->Key = std::move(key.Key);
    context->Certificate = std::move(key.Certificate);
    context->TokenSession = std::move(module);
    return context;
}

}  // namespace

extern "C" EU_API unsigned long EUEnumKeyMediaTypes(unsigned long dwTypeIndex, char* pszTypeName)
{
    return SignGuarded([&] {
        RequireArgument(pszTypeName, "pszTypeName");
        const std::vector<TMediaType> types = MediaTypeList();
        if (dwTypeIndex >= types.size())
            throw TSignError(EU_WARNING_END_OF_ENUM, "no more key media types");
        CopyMediaName(types[dwTypeIndex].Name, pszTypeName);
    });
}

extern "C" EU_API unsigned long EUEnumKeyMediaDevices(unsigned long dwTypeIndex, unsigned long dwDeviceIndex,
                                                      char* pszDeviceName)
{
    return SignGuarded([&] {
        RequireArgument(pszDeviceName, "pszDeviceName");
        const std::vector<std::string> labels = AcquireTokenModule(MediaTypeAt(dwTypeIndex).ModulePath)->TokenLabels();
        if (dwDeviceIndex >= labels.size())
            throw TSignError(EU_WARNING_END_OF_ENUM, "no more key media devices");
        CopyMediaName(labels[dwDeviceIndex], pszDeviceName);
    });
}

extern "C" EU_API unsigned long EUCtxReadPrivateKey(void* pvContext, const EU_KEY_MEDIA* pKeyMedia,
                                                    void** ppvPrivateKeyContext, EU_CERT_OWNER_INFO* pInfo)
{
    return SignGuarded([&] {
        RequireArgument(pvContext, "pvContext");
        RequireArgument(pKeyMedia, "pKeyMedia");
        RequireArgument(ppvPrivateKeyContext, "ppvPrivateKeyContext");
        *ppvPrivateKeyContext = nullptr;
        if (pInfo != nullptr)
            *pInfo = EU_CERT_OWNER_INFO{};
        *ppvPrivateKeyContext = ReadTokenKey(*pKeyMedia).release();
    });
}
