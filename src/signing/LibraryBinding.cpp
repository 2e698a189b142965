#include "signing/LibraryBinding.h"

#include "foundation/Param.h"
#include "foundation/ProgramFolders.h"

#include <dlfcn.h>
#include <filesystem>
#include <mutex>

namespace korvel {
namespace {

struct TBinding {
    std::mutex Mutex;
    void* Handle = nullptr;
    TEUSignInterface Table{};
};

TBinding& Binding()
{
    static TBinding binding;
    return binding;
}

// The library stays mapped after it is unloaded: it registers state with OpenSSL and the token
// modules it loads, which would otherwise be left pointing into unmapped code.
constexpr int OpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;

void* OpenLibrary(const std::string& ANameOrPath)
{
    if (ANameOrPath.find('/') == std::string::npos) {
        const std::string exe = GetExePath();
        if (!exe.empty()) {
            const auto besideExe = std::filesystem::path(exe).parent_path() / ANameOrPath;
            if (void* handle = ::dlopen(besideExe.c_str(), OpenFlags))
                return handle;
        }
    }
    return ::dlopen(ANameOrPath.c_str(), OpenFlags);
}

template <typename TFunction> bool Take(void* AHandle, const char* AName, TFunction& AEntry)
{
    AEntry = reinterpret_cast<TFunction>(::dlsym(AHandle, AName));
    return AEntry != nullptr;
}

bool TakeAll(void* AHandle, TEUSignInterface& ATable)
{
    // Every name is tried, so a failed load names nothing half-bound.
    bool all = true;
    all &= Take(AHandle, "EUInitialize", ATable.Initialize);
    all &= Take(AHandle, "EUFinalize", ATable.Finalize);
    all &= Take(AHandle, "EUGetModeSettings", ATable.GetModeSettings);
    all &= Take(AHandle, "EUSetModeSettings", ATable.SetModeSettings);
    all &= Take(AHandle, "EUSetUIMode", ATable.SetUIMode);
    all &= Take(AHandle, "EUGetErrorLangDesc", ATable.GetErrorLangDesc);
    all &= Take(AHandle, "EUEnumKeyMediaTypes", ATable.EnumKeyMediaTypes);
    all &= Take(AHandle, "EUEnumKeyMediaDevices", ATable.EnumKeyMediaDevices);
    all &= Take(AHandle, "EUSetFileStoreSettings", ATable.SetFileStoreSettings);
    all &= Take(AHandle, "EUSetCMPSettings", ATable.SetCMPSettings);
    all &= Take(AHandle, "EUSetTSPSettings", ATable.SetTSPSettings);
    all &= Take(AHandle, "EUSetOCSPSettings", ATable.SetOCSPSettings);
    all &= Take(AHandle, "EUSetProxySettings", ATable.SetProxySettings);
    all &= Take(AHandle, "EUSetLDAPSettings", ATable.SetLDAPSettings);
    all &= Take(AHandle, "EUSetRuntimeParameter", ATable.SetRuntimeParameter);
    all &= Take(AHandle, "EUCtxCreate", ATable.CtxCreate);
    all &= Take(AHandle, "EUCtxFree", ATable.CtxFree);
    all &= Take(AHandle, "EUCtxReadPrivateKeyFile", ATable.CtxReadPrivateKeyFile);
    all &= Take(AHandle, "EUCtxReadPrivateKeyBinary", ATable.CtxReadPrivateKeyBinary);
    all &= Take(AHandle, "EUCtxReadPrivateKey", ATable.CtxReadPrivateKey);
    all &= Take(AHandle, "EUCtxFreePrivateKey", ATable.CtxFreePrivateKey);
    all &= Take(AHandle, "EUCtxFreeCertOwnerInfo", ATable.CtxFreeCertOwnerInfo);
    all &= Take(AHandle, "EUCtxEnumOwnCertificates", ATable.CtxEnumOwnCertificates);
    all &= Take(AHandle, "EUCtxFreeCertificateInfoEx", ATable.CtxFreeCertificateInfoEx);
    all &= Take(AHandle, "EUCtxFreeMemory", ATable.CtxFreeMemory);
    all &= Take(AHandle, "EUEnumJKSPrivateKeysFile", ATable.EnumJKSPrivateKeysFile);
    all &= Take(AHandle, "EUGetJKSPrivateKeyFile", ATable.GetJKSPrivateKeyFile);
    all &= Take(AHandle, "EUCtxSignData", ATable.CtxSignData);
    all &= Take(AHandle, "EUCtxSignHashValue", ATable.CtxSignHashValue);
    all &= Take(AHandle, "EUBASE64Encode", ATable.BASE64Encode);
    all &= Take(AHandle, "EUFreeMemory", ATable.FreeMemory);
    return all;
}

}  // namespace

bool EULoadDLL()
{
    auto& binding = Binding();
    std::lock_guard lock(binding.Mutex);
    if (binding.Handle)
        return true;
    void* handle = OpenLibrary(TParam::GetSignLibrary());
    if (!handle)
        return false;
    TEUSignInterface table{};
    if (!TakeAll(handle, table)) {
        ::dlclose(handle);
        return false;
    }
    binding.Handle = handle;
    binding.Table = table;
    return true;
}

const TEUSignInterface* LibraryInterface()
{
    auto& binding = Binding();
    std::lock_guard lock(binding.Mutex);
    return binding.Handle ? &binding.Table : nullptr;
}

void UnloadLibrary()
{
    auto& binding = Binding();
    std::lock_guard lock(binding.Mutex);
    if (binding.Handle)
        ::dlclose(binding.Handle);
    binding.Handle = nullptr;
    binding.Table = {};
}

}  // namespace korvel
