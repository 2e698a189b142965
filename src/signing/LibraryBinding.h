#pragma once

// The binding to the signing library, loaded at run time: every entry point is taken by its
// exported name into one table, and loading counts only when all of them were found.

#include "signlib/SignLibrary.h"

namespace korvel {

struct TEUSignInterface {
    decltype(&::EUInitialize) Initialize;
    decltype(&::EUFinalize) Finalize;
    decltype(&::EUGetModeSettings) GetModeSettings;
    decltype(&::EUSetModeSettings) SetModeSettings;
    decltype(&::EUSetUIMode) SetUIMode;
    decltype(&::EUGetErrorLangDesc) GetErrorLangDesc;
    decltype(&::EUEnumKeyMediaTypes) EnumKeyMediaTypes;
    decltype(&::EUEnumKeyMediaDevices) EnumKeyMediaDevices;
    decltype(&::EUSetFileStoreSettings) SetFileStoreSettings;
    decltype(&::EUSetCMPSettings) SetCMPSettings;
    decltype(&::EUSetTSPSettings) SetTSPSettings;
    decltype(&::EUSetOCSPSettings) SetOCSPSettings;
    decltype(&::EUSetProxySettings) SetProxySettings;
    decltype(&::EUSetLDAPSettings) SetLDAPSettings;
    decltype(&::EUSetRuntimeParameter) SetRuntimeParameter;
    decltype(&::EUCtxCreate) CtxCreate;
    decltype(&::EUCtxFree) CtxFree;
    decltype(&::EUCtxReadPrivateKeyFile) CtxReadPrivateKeyFile;
    decltype(&::EUCtxReadPrivateKeyBinary) CtxReadPrivateKeyBinary;
    decltype(&::EUCtxReadPrivateKey) CtxReadPrivateKey;
    decltype(&::EUCtxFreePrivateKey) CtxFreePrivateKey;
    decltype(&::EUCtxFreeCertOwnerInfo) CtxFreeCertOwnerInfo;
    decltype(&::EUCtxEnumOwnCertificates) CtxEnumOwnCertificates;
    decltype(&::EUCtxFreeCertificateInfoEx) CtxFreeCertificateInfoEx;
    decltype(&::EUCtxFreeMemory) CtxFreeMemory;
    decltype(&::EUEnumJKSPrivateKeysFile) EnumJKSPrivateKeysFile;
    decltype(&::EUGetJKSPrivateKeyFile) GetJKSPrivateKeyFile;
    decltype(&::EUCtxSignData) CtxSignData;
    decltype(&::EUCtxSignHashValue) CtxSignHashValue;
    decltype(&::EUBASE64Encode) BASE64Encode;
    decltype(&::EUFreeMemory) FreeMemory;
};

// Loads the library named by SIGN_LIBRARY (a bare file name is looked for beside the executable
// first, then by the system's search) and takes every entry point. False, with nothing loaded,
// when the library or any entry point is missing. A second call while loaded changes nothing.
bool EULoadDLL();
// The table while the library is loaded, else nullptr.
const TEUSignInterface* LibraryInterface();
void UnloadLibrary();

}  // namespace korvel
