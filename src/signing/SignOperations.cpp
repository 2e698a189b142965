#include "signing/Sign.h"

#include "foundation/Base64.h"
#include "foundation/Log.h"
#include "foundation/TextCodec.h"
#include "foundation/TextUtils.h"
#include "signing/LibraryError.h"
#include "signing/SignState.h"

#include <functional>

namespace korvel {

namespace {

// What one kind of signature logs, for the signer's serial.
struct TSignTexts {
    std::string NoData;
    std::string SignFailure;  // prefix of the library's refusal to sign
    std::string EncodeFailure;
    std::string Done;  // followed by the signature's length
};

TSignTexts DataTexts(const std::string& ASerial)
{
    return {"SignData. Відсутні дані (" + ASerial + ")", "*SignData(" + ASerial + "):", "SignData(" + ASerial + "):",
            "Підпис даних (" + ASerial + ") - виконано. Розмір: "};
}

TSignTexts HashTexts(const std::string& ASerial)
{
    return {"SignHash. Відсутні дані (" + ASerial + ")", "Не вдалося виконати CtxSignHashValue. Помилка: ",
            "SignHash(" + ASerial + "):", "Підпис хешу (" + ASerial + ") - виконано. Розмір: "};
}

// The signature's length as the peers count text: in UTF-16 code units.
std::string LengthOf(const std::string& AText)
{
    return std::to_string(Utf8ToUtf16(AText).size());
}

// The library's signing call over the decoded bytes; the signature comes back in library memory.
using TSignCall = std::function<unsigned long(const TEUSignInterface& ALibrary, const std::string& ABytes,
                                              unsigned char** ASignature, unsigned long* ALength)>;

// A refused parameter is logged; the signature is still made with what the thread last had.
void SetRuntimeParameter(const TEUSignInterface& ALibrary, const std::string& AName, const void* AValue)
{
    const unsigned long code = ALibrary.SetRuntimeParameter(AName.c_str(), AValue, 4);
    if (code != EU_ERROR_NONE)
        TLog::Log(LibraryError("Не вдалося встановити параметр: " + AName + ". Помилка: ", code));
}

// The library keeps these per calling thread, so setting them right before the signing call on
// the same thread keeps another signer's request from slipping in between.
void SetRuntimeParameters(const TEUSignInterface& ALibrary, std::int64_t ASignType, std::int32_t AIncludeTimeStamp)
{
    SetRuntimeParameter(ALibrary, "SignIncludeContentTimeStamp", &AIncludeTimeStamp);
    const auto signType = static_cast<std::uint32_t>(ASignType);
    SetRuntimeParameter(ALibrary, "SignType", &signType);
}

// Base64 of the signature; "" when the library cannot encode it. The signature goes back to the
// library either way.
std::string EncodeSignature(const TEUSignInterface& ALibrary, void* AContext, unsigned char* ASignature,
                            unsigned long ALength, unsigned long& ACode)
{
    char* text = nullptr;
    ACode = ALibrary.BASE64Encode(ASignature, ALength, &text);
    const TLibraryMemory<char> owned(text, {&ALibrary});
    ALibrary.CtxFreeMemory(AContext, ASignature);
    return ACode == EU_ERROR_NONE && text ? std::string(text) : std::string();
}

std::string SignWithLibrary(const TSignTexts& ATexts, const std::string& ABytes, std::int64_t ASignType,
                            std::int32_t AIncludeTimeStamp, void* AContext, const TSignCall& ASign)
{
    const TEUSignInterface* library = SignState().CPInterface;
    if (!library) {
        TLog::Log("Не ініціалізована бібліотека підпису");
        return {};
    }
    SetRuntimeParameters(*library, ASignType, AIncludeTimeStamp);
    unsigned char* signature = nullptr;
    unsigned long length = 0;
    unsigned long code = ASign(*library, ABytes, &signature, &length);
    if (code != EU_ERROR_NONE) {
        if (signature)
            library->CtxFreeMemory(AContext, signature);
        TLog::Log(LibraryError(ATexts.SignFailure, code));
        return {};
    }
    const std::string result = EncodeSignature(*library, AContext, signature, length, code);
    if (code != EU_ERROR_NONE) {
        TLog::Log(LibraryError(ATexts.EncodeFailure, code));
        return {};
    }
    TLog::Log(ATexts.Done + LengthOf(result));
    return result;
}

const unsigned char* BytesOf(const std::string& ABytes)
{
    return reinterpret_cast<const unsigned char*>(ABytes.data());
}

}  // namespace

std::string TSign::SignData(const std::string& AData, std::int64_t ASignType, std::int32_t AIncludeTimeStamp)
{
    std::lock_guard lock(FSignLock);
    const TSignTexts texts = DataTexts(FCertInfoRec.Serial);
    if (Trim(AData).empty()) {
        TLog::Log(texts.NoData);
        return {};
    }
    if (IsCloudPrivateKey(FPrivateKey)) {
        const std::string signature = CloudSign(FPrivateKey, AData, false, AIncludeTimeStamp != 0, ASignType);
        TLog::Log(texts.Done + LengthOf(signature));
        return signature;
    }
    const std::string bytes = Base64Decode(AData);
    if (bytes.empty()) {
        TLog::Log(texts.NoData);
        return {};
    }
    void* key = Key;
    return SignWithLibrary(texts, bytes, ASignType, AIncludeTimeStamp, Context,
                           [key](const TEUSignInterface& ALibrary, const std::string& ABytes,
                                 unsigned char** ASignature, unsigned long* ALength) {
                               return ALibrary.CtxSignData(key, EU_SIGN_ALGO_DEFAULT, BytesOf(ABytes),
                                                           static_cast<unsigned long>(ABytes.size()), 0, 1, ASignature,
                                                           ALength);
                           });
}

std::string TSign::SignHash(const std::string& AData, std::int64_t ASignType, std::int32_t AIncludeTimeStamp)
{
    std::lock_guard lock(FSignLock);
    const TSignTexts texts = HashTexts(FCertInfoRec.Serial);
    if (Trim(AData).empty()) {
        TLog::Log(texts.NoData);
        return {};
    }
    if (IsCloudPrivateKey(FPrivateKey)) {
        TLog::Log("Підпис хешу для облачного ключа НЕ підтримується");
        return {};
    }
    const std::string hash = Base64Decode(AData);
    if (hash.empty()) {
        TLog::Log(texts.NoData);
        return {};
    }
    void* key = Key;
    return SignWithLibrary(texts, hash, ASignType, AIncludeTimeStamp, Context,
                           [key](const TEUSignInterface& ALibrary, const std::string& AHash, unsigned char** ASignature,
                                 unsigned long* ALength) {
                               return ALibrary.CtxSignHashValue(key, EU_SIGN_ALGO_DEFAULT, BytesOf(AHash),
                                                                static_cast<unsigned long>(AHash.size()), 1, ASignature,
                                                                ALength);
                           });
}

}  // namespace korvel
