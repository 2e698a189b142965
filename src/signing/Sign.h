#pragma once

// The signer: one object per key, holding the key's settings, its certificate data and the two
// contexts the signing library gives for it. The class itself owns what exists once per process:
// the binding to the signing library and the certification-authority list.
//
// Order of use: InitialLibrary once at start, before any key is loaded; per key a signer is
// created, loads its key, signs, and is destroyed; DeInitialLibrary once at the end, after every
// signer is gone. Failures raise std::exception whose text is the message to log.

#include "signing/CertInfo.h"
#include "signing/LibraryMemory.h"
#include "signing/PrivateKey.h"

#include <cstdint>
#include <mutex>
#include <optional>
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

    // --- The key and its signatures ---

    // Loads the key once per signer: puts its authority into the library, creates the library
    // context, checks the settings, reads the key and its certificate data (a cloud key proves
    // itself with a test signature instead). True when loaded; false when a JKS container gives no
    // usable key or a cloud answer has no signature. Raises the message to log otherwise; after a
    // failed read of a file or device key the signer holds no library handle.
    bool InitialKey(const TPrivateKey& APrivateKey);

    // Virtual so that request handling can be tried with signers that wait or fail on cue.
    // A signature over AData (base64) as base64; "" when signing failed, which is logged. Only a
    // cloud key's service failures raise. ASignType: the library takes its low 32 bits;
    // AIncludeTimeStamp (0 false) goes to the library unchanged.
    // AData is decoded leniently: characters outside the base64 alphabet are skipped, as the
    // peers' decoders do, so line breaks and blanks in it do no harm. Text that yields no byte at
    // all counts as no data. One signer signs one request at a time; different signers sign at
    // once, each on its own thread's library parameters.
    virtual std::string SignData(const std::string& AData, std::int64_t ASignType, std::int32_t AIncludeTimeStamp);
    // The same over a hash value the caller computed (SHA-256, base64). Not offered for cloud keys.
    virtual std::string SignHash(const std::string& AData, std::int64_t ASignType, std::int32_t AIncludeTimeStamp);

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

    // A key held by a cloud-signing service: its authority is one and it is not read from a file.
    static bool IsCloudPrivateKey(const TPrivateKey& APrivateKey);
    // The signer's own library context, afresh.
    void CreateContext();
    // Logs what is missing and gives false when the settings cannot name a key.
    static bool CheckPrivateKey(const TPrivateKey& APrivateKey);
    bool ReadKey(const TPrivateKey& APrivateKey);
    bool ReadKeyFromFile(const TPrivateKey& APrivateKey);
    bool ReadKeyFromDevice(const TPrivateKey& APrivateKey);
    // The first private-key alias of the container; "" when it lists none or an alias cannot be read.
    static std::string GetJKSKeyAlias(const std::string& AFileName);
    // The protected key bytes of the container's first key; nothing when there is none.
    static std::optional<TLibraryBytes> GetJKSKeyData(const std::string& AFileName);
    // Takes the read key's certificate data into FCertInfoRec; raises, with the handles released,
    // when the library cannot give them.
    void ReadCertificateData();
    // Releases the handles and raises APrefix + the library's description of ACode.
    [[noreturn]] void FailKeyRead(const std::string& APrefix, unsigned long ACode);

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
    // Held for a whole key load or signature: one signer serves one request at a time.
    std::mutex FSignLock;
};

}  // namespace korvel
