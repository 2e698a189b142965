#pragma once

// The signer: one object per key, holding the key's settings, its certificate data and the two
// contexts the signing library gives for it. The class itself owns what exists once per process:
// the binding to the signing library and the certification-authority list.
//
// Order of use: InitialLibrary once at start, before any key is loaded; per key a signer is
// created, loads its key, signs, and is destroyed; DeInitialLibrary once at the end, after every
// signer is gone. Failures raise std::exception whose text is the message to log.

#include "signing/CertInfo.h"
#include "signing/PrivateKey.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

class TSign {
public:
    TSign();
    virtual ~TSign();
    TSign(const TSign&) = delete;
    TSign& operator=(const TSign&) = delete;

    // The key as loaded; empty until a key is loaded.
    const TPrivateKey& PrivatKey() const { return FPrivateKey; }
    const TCertInfoRec& CertInfo() const { return FCertInfoRec; }

    // --- The library, on the main thread ---

    // Loads and starts the library, fetches the authority list and the certificates file. Does
    // nothing while the library is initialised. Raises when the library cannot be started, and
    // then leaves it unloaded.
    static void InitialLibrary();
    static void DeInitialLibrary();
    // Fetches "CACertificates.p7b" into the certificates folder; failures are logged only.
    static void GetContainerCertificatesFile();
    // The library's key media types / the devices of one type, refilled; positions are the
    // library's indices.
    static void UpdateDeviceTypeList(std::vector<std::string>& AStrings);
    static void UpdateDeviceList(std::uint32_t ATypeIndex, std::vector<std::string>& AStrings);

    // --- The certification-authority list ---

    // The display name (first common name) of every authority, in list order.
    static std::vector<std::string> GetListCreatorsName();
    // Whether the two names stand for one authority.
    static bool CreatorIsEquals(const std::string& AC1, const std::string& AC2);
    // Whether the authority is a cloud-signing service.
    static bool IsCloudKey(const std::string& ACreatorName);
    // A field of the authority's entry as text; "" when absent.
    static std::string GetDataByCreator(const std::string& ACreatorName, const std::string& AFieldName);

    // Unloads the library and forgets the list and the authority in force.
    static void ResetForTests();

private:
    friend class TSignTestAccess;

    static std::string DownloadCreators();
    static void LoadCreators();
    // Puts the authority's servers into the library unless they are in force already; true when
    // this call did.
    bool SetCreatorSettings(const std::string& ACreatorName);

    // Releases the private-key context and then the library context, each once.
    void FreeKeyContext();

    // One request to the cloud-signing service: the signature text, "" when the answer has none.
    // With AReadSigner the certificate data of the answer go into FCertInfoRec. Raises when the
    // service fails. Nothing of the request is logged: it carries the password and the token.
    std::string CloudSign(const TPrivateKey& APrivateKey, const std::string& AData, bool AReadSigner,
                          bool AIncludeTimeStamp, std::int64_t ASignType);
    void ReadCloudSigner(const std::string& AAnswer);
    static std::string ReadCloudSigned(const std::string& AAnswer);

    TPrivateKey FPrivateKey;
    TCertInfoRec FCertInfoRec;
    void* Context = nullptr;  // the signer's library context
    void* Key = nullptr;      // the private-key context of the key read
};

}  // namespace korvel
