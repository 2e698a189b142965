// Entry points of the key media: PKCS#11 modules are the media types, their tokens the devices,
// and a key is read from a token with its PIN.

#include "foundation/TextCodec.h"
#include "signlib/CertificateData.h"
#include "signlib/CertificateInfoRecords.h"
#include "signlib/ContextHandles.h"
#include "signlib/EntryPoint.h"
#include "signlib/MediaTypeList.h"
#include "signlib/PrivateKeyContext.h"
#include "signlib/SecretText.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"
#include "signlib/TokenModuleCache.h"

#include <algorithm>
#include <cstring>
#include <memory>

using namespace korvel;
using namespace korvel::signlib;

namespace {

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
        Fail(EU_ERROR_MEDIA, "no key media type at index " + std::to_string(ATypeIndex));
    return std::move(types[ATypeIndex]);
}

// The PIN as the token takes it, UTF-8. Only this one form is tried: every refused PIN counts
// towards the token's lock. A field without its terminating zero is refused, never cut.
TSecretText PinOf(const EU_KEY_MEDIA& AKeyMedia)
{
    const std::size_t length = strnlen(AKeyMedia.szPassword, sizeof AKeyMedia.szPassword);
    if (length == sizeof AKeyMedia.szPassword)
        Fail(EU_ERROR_BAD_PARAMETER, "the password field holds no terminating zero");
    const TSecretText ansi(std::string_view(AKeyMedia.szPassword, length));
    return TSecretText(AnsiToUtf8(ansi.Text()));
}

std::unique_ptr<TPrivateKeyContext> ReadTokenKey(const EU_KEY_MEDIA& AKeyMedia)
{
    const TSecretText pin = PinOf(AKeyMedia);
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
    return RunInitializedEntryPoint([&] {
        RequireArgument(pszTypeName, "pszTypeName");
        const std::vector<TMediaType> types = MediaTypeList();
        if (dwTypeIndex >= types.size())
            Fail(EU_WARNING_END_OF_ENUM, "no more key media types");
        CopyMediaName(types[dwTypeIndex].Name, pszTypeName);
    });
}

extern "C" EU_API unsigned long EUEnumKeyMediaDevices(unsigned long dwTypeIndex, unsigned long dwDeviceIndex,
                                                      char* pszDeviceName)
{
    return RunInitializedEntryPoint([&] {
        RequireArgument(pszDeviceName, "pszDeviceName");
        const std::vector<std::string> labels = AcquireTokenModule(MediaTypeAt(dwTypeIndex).ModulePath)->TokenLabels();
        if (dwDeviceIndex >= labels.size())
            Fail(EU_WARNING_END_OF_ENUM, "no more key media devices");
        CopyMediaName(labels[dwDeviceIndex], pszDeviceName);
    });
}

extern "C" EU_API unsigned long EUCtxReadPrivateKey(void* pvContext, const EU_KEY_MEDIA* pKeyMedia,
                                                    void** ppvPrivateKeyContext, EU_CERT_OWNER_INFO* pInfo)
{
    return RunInitializedEntryPoint([&] {
        LibraryContextOf(pvContext);
        RequireArgument(pKeyMedia, "pKeyMedia");
        RequireArgument(ppvPrivateKeyContext, "ppvPrivateKeyContext");
        *ppvPrivateKeyContext = nullptr;
        std::unique_ptr<TPrivateKeyContext> context = ReadTokenKey(*pKeyMedia);
        if (pInfo != nullptr)
            FillOwnerInfo(ReadCertificateData(*context->Certificate), *pInfo);
        *ppvPrivateKeyContext = context.release();
    });
}
